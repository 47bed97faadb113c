// rx47-cli's command dispatch, its argument parser and the chart-value text.

#include "CliTestSupport.h"

#include "cli/CliArgs.h"
#include "cli/ExitCodes.h"
#include "cli/FloatText.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(CliDispatch, HelpAndUnknownCommands) {
    const TCliRun help = RunCliInProcess({"--help"});
    EXPECT_EQ(help.exitCode, kExitOk);
    EXPECT_TRUE(help.out.startsWith("Usage: rx47-cli COMMAND [OPTIONS]\n"));
    EXPECT_TRUE(help.out.contains("  3  no interface cable"));

    const TCliRun none = RunCliInProcess({});
    EXPECT_EQ(none.exitCode, kExitUsage);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_EQ(none.err, help.out); // the usage, on standard error

    const TCliRun unknown = RunCliInProcess({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, kExitUsage);
    EXPECT_EQ(unknown.err, "rx47-cli: no such command 'frobnicate' (try 'rx47-cli --help')\n");

    const TCliRun unknownHelp = RunCliInProcess({"help", "frobnicate"});
    EXPECT_EQ(unknownHelp.exitCode, kExitUsage);
}

struct ArgsCase {
    const char* name;
    QStringList arguments;
    QString error;
    std::map<QString, QString> options;
    QStringList positionals;
};

class CliArgsTest : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(CliArgsTest, Parses) {
    const ArgsCase& c = GetParam();
    const TParsedArgs parsed = ParseArgs(c.arguments, {{"count", TOptionDef::Value},
                                                       {"simulate", TOptionDef::OptionalValue},
                                                       {"temp", TOptionDef::Flag}});
    EXPECT_EQ(parsed.error, c.error);
    if (c.error.isEmpty()) {
        EXPECT_EQ(parsed.options, c.options);
        EXPECT_EQ(parsed.positionals, c.positionals);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CliArgsTest, ::testing::Values(
    ArgsCase{"ValueSeparate", {"--count", "5", "x"}, "", {{"count", "5"}}, {"x"}},
    ArgsCase{"ValueJoined", {"--count=5"}, "", {{"count", "5"}}, {}},
    ArgsCase{"ValueMissing", {"--count"}, "missing value after '--count'", {}, {}},
    ArgsCase{"ValueEmpty", {"--count="}, "--count needs a value", {}, {}},
    ArgsCase{"OptionalBare", {"--simulate", "a"}, "", {{"simulate", ""}}, {"a"}},
    ArgsCase{"OptionalWithFile", {"--simulate=f.txt"}, "", {{"simulate", "f.txt"}}, {}},
    ArgsCase{"OptionalEmptyFile", {"--simulate="}, "--simulate= needs a file name", {}, {}},
    ArgsCase{"Twice", {"--temp", "--temp"}, "--temp given twice", {}, {}},
    ArgsCase{"ShortUnknown", {"-x"}, "unknown option '-x'", {}, {}},
    ArgsCase{"DashIsPositional", {"-"}, "", {}, {"-"}},
    ArgsCase{"EndOfOptions", {"--", "--temp"}, "", {}, {"--temp"}},
    ArgsCase{"OptionAfterPositional", {"x", "--count", "3"}, "", {{"count", "3"}}, {"x"}},
    ArgsCase{"FlagWithValue", {"--temp=1"}, "--temp takes no value", {}, {}},
    ArgsCase{"LongUnknown", {"--tmp"}, "unknown option '--tmp'", {}, {}},
    ArgsCase{"OptionalTwiceMixed", {"--simulate", "--simulate=f"}, "--simulate given twice", {},
             {}}),
    [](const auto& p) { return std::string(p.param.name); });
// clang-format on

TEST(CliArgsNumbers, StrictAndBounded) {
    QString error;
    EXPECT_EQ(ParseNumberOption(ParseArgs({"--count=12"}, {{"count", TOptionDef::Value}}), "count",
                                1, error),
              12);
    EXPECT_FALSE(ParseNumberOption(ParseArgs({"--count=1x"}, {{"count", TOptionDef::Value}}),
                                   "count", 1, error));
    EXPECT_EQ(error, "--count: '1x' is not a valid integer value");
    EXPECT_FALSE(ParseNumberOption(ParseArgs({"--count=0"}, {{"count", TOptionDef::Value}}),
                                   "count", 1, error));
    EXPECT_EQ(error, "--count must be at least 1");
}

TEST(ShortestFloatText, KnownValues) {
    const std::pair<float, const char*> cases[] = {
        {-23.4f, "-23.4"}, {45.3f, "45.3"},   {5.3f, "5.3"},   {0.0f, "0"},
        {100.0f, "100"},   {999.9f, "999.9"}, {-0.1f, "-0.1"}, {-999.9f, "-999.9"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(ShortestFloatText(value), QByteArray(text)) << text;
}

// Every value the decoder can produce (a whole number of tenths) reads back exactly.
TEST(ShortestFloatText, RoundTripsEveryReading) {
    for (int tenths = -9999; tenths <= 9999; ++tenths) {
        const auto value = static_cast<float>(tenths * 0.1);
        const QByteArray text = ShortestFloatText(value);
        ASSERT_EQ(std::strtof(text.constData(), nullptr), value) << text.constData();
        ASSERT_LE(text.size(), 6) << text.constData();
    }
}

} // namespace
