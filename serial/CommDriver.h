#pragma once
// Placeholder until the serial port driver lands.
class TCommPortDriver {};
