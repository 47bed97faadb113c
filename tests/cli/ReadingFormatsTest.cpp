// The output formats of read and record, byte for byte on the recorded frames, and the number
// reading under them.

#include "CliTestSupport.h"

#include "cli/ExitCodes.h"
#include "cli/ReadingFormats.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kReplay = QStringLiteral("--simulate=" RX47_FIXTURES_DIR "/sim/recorded-frames.hex");

struct TFormatCase {
    const char* format;
    QByteArray expected;
};

class ReadFormatTest : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(ReadFormatTest, ReplayPrintsExactly) {
    const TCliRun run =
        RunCliSimulated({"read", "--format", GetParam().format, "--name", "fridge", kReplay});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(run.out, GetParam().expected);
    EXPECT_TRUE(run.err.isEmpty());
}

// The fixture's frames: plain readings, a frame without humidity ("----", time shown as 00:00),
// a blank temperature tens digit with dew point, and a negative temperature.
INSTANTIATE_TEST_SUITE_P(
    Formats, ReadFormatTest,
    ::testing::Values(
        TFormatCase{"tsv", "2026-12-10T11:20:05+01:00\t00:00\t45.3%RH\t23.4\t#\n"
                           "2026-12-10T11:20:05+01:00\t00:01\t45.5%RH\t23.4\t#\n"
                           "2026-12-10T11:20:05+01:00\t00:02\t45.8%RH\t23.5\t#\n"
                           "2026-12-10T11:20:05+01:00\t00:03\t46.0%RH\t23.5\t#\n"
                           "2026-12-10T11:20:05+01:00\t00:00\t----\t23.6\t#\n"
                           "2026-12-10T11:20:05+01:00\t00:05\t46.1%RH\t8.7\tDEW#\n"
                           "2026-12-10T11:20:05+01:00\t00:06\t39.0%RH\t-5.2\t#\n"},
        TFormatCase{"csv", "time,logger_time,humidity,temperature,unit,dew_point,name\r\n"
                           "2026-12-10T11:20:05+01:00,00:00,45.3,23.4,C,false,fridge\r\n"
                           "2026-12-10T11:20:05+01:00,00:01,45.5,23.4,C,false,fridge\r\n"
                           "2026-12-10T11:20:05+01:00,00:02,45.8,23.5,C,false,fridge\r\n"
                           "2026-12-10T11:20:05+01:00,00:03,46.0,23.5,C,false,fridge\r\n"
                           "2026-12-10T11:20:05+01:00,00:00,,23.6,C,false,fridge\r\n"
                           "2026-12-10T11:20:05+01:00,00:05,46.1,8.7,C,true,fridge\r\n"
                           "2026-12-10T11:20:05+01:00,00:06,39.0,-5.2,C,false,fridge\r\n"},
        TFormatCase{"jsonl",
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:00\","
                    "\"humidity\":45.3,\"temperature_C\":23.4,\"dew_point\":false,\"name\":"
                    "\"fridge\"}\n"
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:01\","
                    "\"humidity\":45.5,\"temperature_C\":23.4,\"dew_point\":false,\"name\":"
                    "\"fridge\"}\n"
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:02\","
                    "\"humidity\":45.8,\"temperature_C\":23.5,\"dew_point\":false,\"name\":"
                    "\"fridge\"}\n"
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:03\","
                    "\"humidity\":46.0,\"temperature_C\":23.5,\"dew_point\":false,\"name\":"
                    "\"fridge\"}\n"
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:00\","
                    "\"humidity\":null,\"temperature_C\":23.6,\"dew_point\":false,\"name\":"
                    "\"fridge\"}\n"
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:05\","
                    "\"humidity\":46.1,\"temperature_C\":8.7,\"dew_point\":true,\"name\":"
                    "\"fridge\"}\n"
                    "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:06\","
                    "\"humidity\":39.0,\"temperature_C\":-5.2,\"dew_point\":false,\"name\":"
                    "\"fridge\"}\n"},
        TFormatCase{"influx", "rx47,name=fridge humidity=45.3,temperature_C=23.4,dew_point=false,"
                              "logger_time=\"00:00\" 1796898005000000000\n"
                              "rx47,name=fridge humidity=45.5,temperature_C=23.4,dew_point=false,"
                              "logger_time=\"00:01\" 1796898005000000000\n"
                              "rx47,name=fridge humidity=45.8,temperature_C=23.5,dew_point=false,"
                              "logger_time=\"00:02\" 1796898005000000000\n"
                              "rx47,name=fridge humidity=46.0,temperature_C=23.5,dew_point=false,"
                              "logger_time=\"00:03\" 1796898005000000000\n"
                              "rx47,name=fridge temperature_C=23.6,dew_point=false,"
                              "logger_time=\"00:00\" 1796898005000000000\n"
                              "rx47,name=fridge humidity=46.1,temperature_C=8.7,dew_point=true,"
                              "logger_time=\"00:05\" 1796898005000000000\n"
                              "rx47,name=fridge humidity=39.0,temperature_C=-5.2,dew_point=false,"
                              "logger_time=\"00:06\" 1796898005000000000\n"}),
    [](const auto& p) { return std::string(p.param.format); });

// The numbers under every format: the separator the texts were made with, readings the logger
// does not show, Fahrenheit and the dew point.
TEST(ReadingValues, FromTheTexts) {
    struct TCase {
        TReading reading;
        QByteArray sep;
        std::optional<int> humidity, temperature;
        bool fahrenheit, dew;
    };
    const TCase cases[] = {
        {{"45.3%RH", "05:59", "-23.4", "#"}, ".", 453, -234, false, false},
        {{"45,3%RH", "05:59", "-23,4", "DEW?"}, ",", 453, -234, true, true},
        {{"5.3%RH", "05:59", "0.1", "?"}, ".", 53, 1, true, false},
        {{"----", "00:00", "--.-", "DEW#"}, ".", std::nullopt, std::nullopt, false, true},
        {{"4B.3%RH", "00:00", "2C.1", "#"}, ".", std::nullopt, std::nullopt, false, false},
        {{"453%RH", "00:00", "234", "#"}, "", 453, 234, false, false},
        {{"45.3%RH", "00:00", "23.4", "#"}, ",", std::nullopt, std::nullopt, false, false},
    };
    for (const TCase& c : cases) {
        const TReadingValues v = ReadingValues(QDateTime(), c.reading, c.sep, "x");
        EXPECT_EQ(v.humidityTenths, c.humidity) << c.reading.Humidity.constData();
        EXPECT_EQ(v.temperatureTenths, c.temperature) << c.reading.Temperature.constData();
        EXPECT_EQ(v.fahrenheit, c.fahrenheit) << c.reading.Unit.constData();
        EXPECT_EQ(v.dewPoint, c.dew) << c.reading.Unit.constData();
    }
    EXPECT_EQ(TenthsText(-5), "-0.5");
    EXPECT_EQ(TenthsText(0), "0.0");
}

TEST(ReadingValues, FahrenheitKeysInJsonAndInflux) {
    TReadingValues v;
    v.when = QDateTime::fromMSecsSinceEpoch(1500, Qt::UTC);
    v.loggerTime = "01:02";
    v.temperatureTenths = 712;
    v.fahrenheit = true;
    v.name = "a";
    EXPECT_EQ(JsonObject(v), "{\"time\":\"1970-01-01T00:00:01+00:00\",\"logger_time\":\"01:02\","
                             "\"humidity\":null,\"temperature_F\":71.2,\"dew_point\":false,"
                             "\"name\":\"a\"}");
    EXPECT_EQ(InfluxLine(v),
              "rx47,name=a temperature_F=71.2,dew_point=false,logger_time=\"01:02\" 1500000000\n");
}

TEST(LoggerNames, OnlyWhatFitsEverywhere) {
    for (const char* good : {"fridge", "Server-Room_2", "A"})
        EXPECT_TRUE(ValidLoggerName(good)) << good;
    for (const char* bad : {"", "a b", "a/b", "a+b", "a#", "a,b", "a=b", "a\"b", "ü"})
        EXPECT_FALSE(ValidLoggerName(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(ValidLoggerName(QString(65, QLatin1Char('a'))));
    EXPECT_EQ(SafeLoggerName(QStringLiteral("SN 12/3")), "SN_12_3");
    EXPECT_EQ(SafeLoggerName(QString()), "rx47");
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(RecordFormats, CsvAndJsonlAreWrittenPerRecordAndContinued) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("log.csv");
    const QString replay =
        QStringLiteral("--simulate=" RX47_FIXTURES_DIR "/sim/recorded-frames.hex");
    TCliRun run = RunCliSimulated({"record", "--out", csv, "--limit", "2", "--name", "f", replay});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err.constData();
    const QByteArray first = "time,logger_time,humidity,temperature,unit,dew_point,name\r\n"
                             "2026-12-10T11:20:05+01:00,00:00,45.3,23.4,C,false,f\r\n"
                             "2026-12-10T11:20:05+01:00,00:01,45.5,23.4,C,false,f\r\n";
    EXPECT_EQ(ReadAll(csv), first);
    // A second run continues the file, without a second header.
    run = RunCliSimulated({"record", "--out", csv, "--limit", "1", "--name", "f", replay});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(ReadAll(csv), first + "2026-12-10T11:20:05+01:00,00:00,45.3,23.4,C,false,f\r\n");

    // A torn last line (a killed run) stays as it is, on a line of its own.
    const QString jsonl = dir.filePath("log.JSONL");
    {
        QFile file(jsonl);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"time\":\"2026-12-10T11:20:04+01:00\",\"logger_ti");
    }
    run = RunCliSimulated({"record", "--out", jsonl, "--limit", "1", "--name", "f", replay});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(ReadAll(jsonl), "{\"time\":\"2026-12-10T11:20:04+01:00\",\"logger_ti\n"
                              "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:00\","
                              "\"humidity\":45.3,\"temperature_C\":23.4,\"dew_point\":false,"
                              "\"name\":\"f\"}\n");
}

TEST(RecordFormats, AFileOfAnotherKindIsLeftAlone) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("budget.csv");
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("month,amount\r\njan,12\r\n");
    }
    const TCliRun run = RunCliSimulated({"record", "--out", csv, "--simulate"});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_EQ(run.err, "rx47-cli: " + csv.toLocal8Bit() +
                           ": not a CSV file of rx47-cli readings; not continued\n");
    EXPECT_EQ(ReadAll(csv), "month,amount\r\njan,12\r\n");
}

TEST(ReadFormat, UnknownFormatAndBadNameAreUsageErrors) {
    const std::pair<QStringList, QByteArray> cases[] = {
        {{"read", "--format", "xml", "--simulate"},
         "rx47-cli: read: --format 'xml': use tsv, csv, jsonl or influx (try 'rx47-cli read "
         "--help')\n"},
        {{"read", "--name", "a b", "--simulate"},
         "rx47-cli: read: --name 'a b': use 1 to 64 letters, digits, '-' or '_' (try 'rx47-cli "
         "read --help')\n"},
        {{"read", "--device", "serial:", "--simulate"},
         "rx47-cli: read: --device serial: needs the cable's serial number (try 'rx47-cli read "
         "--help')\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const TCliRun run = RunCliSimulated(arguments);
        EXPECT_EQ(run.exitCode, kExitUsage);
        EXPECT_EQ(run.err, message);
        EXPECT_TRUE(run.out.isEmpty());
    }
}

} // namespace
