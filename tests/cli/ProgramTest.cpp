// The built rx47-cli as a program: arguments, streams and exit codes as a shell sees them.

#include "CliTestSupport.h"

#include "cli/ExitCodes.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

QProcessEnvironment WithLocale(const char* locale) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LANG");
    environment.remove("LC_NUMERIC");
    environment.insert("LC_ALL", locale);
    return environment;
}

TEST(CliProgram, DecodesOneFrame) {
    const TCliRun run =
        RunCliProgram({"decode", "--temp", FrameHex(4, 5, 3, 2, 3, 4, 1, 0)}, WithLocale("C"));
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(run.out, "LcdD3\t4\nLcdD2\t5\nLcdD1\t3\nLcdFH\t-\nLcdDT3\t2\nLcdDT2\t3\nLcdDT1\t4\n"
                       "LCDC\t#\nLCDDEW\t \nLCDTime\t16:32\nHumidityText\t45.3%RH\n"
                       "TemperatureText\t-23.4\nUnitText\t#\nChartValue\t-23.4\n");
    EXPECT_TRUE(run.err.isEmpty());
}

// The separator comes from the environment's locale; the chart value keeps its point.
TEST(CliProgram, UsesTheLocalesDecimalSeparator) {
    QProcess probe;
    probe.start("locale", {"-a"});
    probe.waitForFinished(30000);
    if (!probe.readAllStandardOutput().toLower().contains("de_de.utf8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/deps.sh makes it)";
    const TCliRun run =
        RunCliProgram({"decode", FrameHex(4, 5, 3, 2, 3, 4, 1, 0)}, WithLocale("de_DE.UTF-8"));
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_TRUE(run.out.contains("HumidityText\t45,3%RH\nTemperatureText\t-23,4\n"));
    EXPECT_TRUE(run.out.endsWith("ChartValue\t45.3\n"));
}

// LANG naming a locale that was never generated: the readings keep their decimal point.
TEST(CliProgram, UninstalledLocaleKeepsTheDecimalPoint) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LC_ALL");
    environment.remove("LC_NUMERIC");
    environment.insert("LANG", "xx_YY.UTF-8");
    const TCliRun run = RunCliProgram({"decode", FrameHex(4, 5, 3, 2, 3, 4, 1, 0)}, environment);
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_TRUE(run.out.contains("HumidityText\t45.3%RH\nTemperatureText\t-23.4\n"))
        << run.out.constData();
}

TEST(CliProgram, ConversionFailureExitsOne) {
    const TCliRun run = RunCliProgram({"decode", FrameHex(4, 5, 3, 2, 3, 4, 0, 0xC)});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.out.startsWith("LcdD3\t4\n"));
    EXPECT_EQ(run.err, "rx47-cli: 'C' is not a valid integer value\n");
}

TEST(CliProgram, UsageErrorsExitTwo) {
    const TCliRun run = RunCliProgram({"decode", "--bogus"});
    EXPECT_EQ(run.exitCode, kExitUsage);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(run.err.isEmpty());
}

} // namespace
