#pragma once
// Placeholder until the chart controller lands.
class TChartControl {};
