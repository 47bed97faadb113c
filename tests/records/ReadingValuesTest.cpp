// Numbers out of the readout's texts as the table keeps them.

#include "records/ReadingValues.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadingValues, ParsesWhatTheReadoutWrites) {
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"45.3%RH", 45.3},       {"5.3%RH", 5.3},         {"45,3%RH", 45.3},
        {"-23.4", -23.4},        {"-5,3", -5.3},          {"23.4", 23.4},
        {"100.0", 100.0},        {"0.0%RH", 0.0},         {"----", std::nullopt},
        {"--.-", std::nullopt},  {"---.-", std::nullopt}, {"-", std::nullopt},
        {"", std::nullopt},      {"4B.3", std::nullopt},  {"%RH", std::nullopt},
        {"1.2.3", std::nullopt}, {"NULL", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseReadingNumber(c.text), c.value) << c.text;
}

TEST(ReadingValues, UnitAndDewPointFromTheUnitText) {
    EXPECT_EQ(UnitOf("#"), TTemperatureUnit::Celsius);
    EXPECT_EQ(UnitOf("DEW?"), TTemperatureUnit::Fahrenheit);
    EXPECT_EQ(UnitOf(""), TTemperatureUnit::Unknown);
    EXPECT_TRUE(IsDewPoint("DEW#"));
    EXPECT_FALSE(IsDewPoint("?"));
}

TEST(ReadingValues, QuantityOfARecord) {
    TRecordTable table;
    TRecord record;
    record.No = 1;
    record.TextOf(TField::Value) = "----";
    record.TextOf(TField::Range) = "-1.5";
    table.Append(record);
    EXPECT_EQ(QuantityValue(table, 0, TQuantity::Humidity), std::nullopt);
    EXPECT_EQ(QuantityValue(table, 0, TQuantity::Temperature), -1.5);
}

} // namespace
