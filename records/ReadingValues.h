#pragma once
// Numbers out of a record's texts. The table keeps the readout's texts as they were shown
// ("45.3%RH", "-23.4", "DEW#"), with whichever decimal separator the locale gave at the time;
// alarms, statistics and the spreadsheet export need them as numbers again.

#include "records/RecordTable.h"

#include <QByteArrayView>
#include <optional>

// The quantity the chart plots: humidity unless the "%RH / Temp" box is ticked.
enum class TQuantity { Humidity, Temperature };

// "45.3%RH", "5,3%RH", "-23.4", "23": the number, with a point or a comma as separator. A text
// with dashes or letters in its digits (the logger showed no reading) or no digit at all has none.
std::optional<double> ParseReadingNumber(QByteArrayView text);

// The value of one quantity in a record, or none when the logger showed no reading.
std::optional<double> QuantityValue(const TRecordTable& table, int64_t row, TQuantity quantity);

// The unit field: "#" degrees Celsius, "?" degrees Fahrenheit, "DEW" in front in dew-point mode.
enum class TTemperatureUnit { Unknown, Celsius, Fahrenheit };
TTemperatureUnit UnitOf(QByteArrayView unitText);
bool IsDewPoint(QByteArrayView unitText);
