#pragma once
// Placeholder until the record table lands.
class TRecordTable {};
