#pragma once
// rx47-cli decode [--temp] HEX: one frame through the window's decoder, printed as
// name<TAB>value lines.

#include "base/ProgramState.h"
#include "link/Readout.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

struct TCliEnvironment;

// The payload bytes as RxHex holds them (two upper-case digits per byte) from hexadecimal text in
// either case; blanks between digits are ignored. nullopt with `error` set for any other
// character or an odd number of digits.
std::optional<QByteArray> ParseHexPayload(const QString& text, QString& error);

// The lines "name\tvalue\n" in their fixed order: the captions of LcdD3, LcdD2, LcdD1, LcdFH,
// LcdDT3, LcdDT2, LcdDT1, LCDC, LCDDEW, LCDTime, then HumidityText, TemperatureText, UnitText and
// ChartValue.
QByteArray DecodeLines(const TReadout& readout, const TProgramState& state);

int RunDecode(const QStringList& arguments, const TCliEnvironment& environment);
QString DecodeUsage();
