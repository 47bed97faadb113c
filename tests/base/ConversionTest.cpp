#include "base/Conversion.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

namespace {

struct ConversionCase {
    const char* text;
    bool ok;
    int32_t value;
    bool written = false; // also a number as the program writes it (optional '-', decimal)
};

class StrToIntTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(StrToIntTest, ConvertsOrRaisesTheConversionError) {
    const ConversionCase& c = GetParam();
    // The parser underneath agrees, and takes the written form's subset.
    EXPECT_EQ(ParseInteger(c.text), c.ok ? std::optional<int32_t>(c.value) : std::nullopt);
    EXPECT_EQ(ParseInteger(c.text, TIntegerText::Written),
              c.written ? std::optional<int32_t>(c.value) : std::nullopt);
    if (c.ok) {
        EXPECT_EQ(StrToInt(c.text), c.value);
        return;
    }
    try {
        StrToInt(c.text);
        FAIL() << "no error for '" << c.text << "'";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("'%1' is not a valid integer value").arg(c.text));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToIntTest,
    ::testing::Values(ConversionCase{"0", true, 0, true}, ConversionCase{"42", true, 42, true},
                      ConversionCase{"-234", true, -234, true}, ConversionCase{"+7", true, 7},
                      ConversionCase{"007", true, 7, true}, ConversionCase{"-0", true, 0, true},
                      ConversionCase{"2147483647", true, 2147483647, true},
                      ConversionCase{"-2147483648", true, INT32_MIN, true},
                      ConversionCase{"$FF", true, 255}, ConversionCase{"$3b", true, 59},
                      ConversionCase{"-$10", true, -16}, ConversionCase{"$FFFFFFFF", true, -1},
                      ConversionCase{"$100000000", false, 0}, ConversionCase{"-$", false, 0},
                      ConversionCase{"", false, 0}, ConversionCase{"-", false, 0},
                      ConversionCase{"+", false, 0}, ConversionCase{"$", false, 0},
                      ConversionCase{"5-", false, 0}, ConversionCase{"+-", false, 0},
                      ConversionCase{" 1", false, 0}, ConversionCase{"1 ", false, 0},
                      ConversionCase{"A", false, 0}, ConversionCase{"1.5", false, 0},
                      ConversionCase{"2147483648", false, 0},
                      ConversionCase{"99999999999999999999", false, 0}),
    [](const auto& p) { return "case" + std::to_string(p.index); });

TEST(StrToIntOrZero, SignsAndEmptyTextCountAsZero) {
    EXPECT_EQ(StrToIntOrZero(""), 0);
    EXPECT_EQ(StrToIntOrZero("-"), 0);
    EXPECT_EQ(StrToIntOrZero("+"), 0);
    EXPECT_EQ(StrToIntOrZero("-40000"), -40000);
    EXPECT_THROW(StrToIntOrZero("+-"), EConvertError);
}

} // namespace
