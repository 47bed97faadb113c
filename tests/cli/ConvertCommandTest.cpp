// rx47-cli convert: both directions byte for byte, and failures that leave OUT alone.

#include "CliTestSupport.h"

#include "cli/ExitCodes.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kText = "No\tTime\t%RH\tTemp\tUnit\r\n"
                         "1\t10:20\t45.6%RH\t23.4\t#\r\n"
                         "2\t10:21\tNULL\t-1.5\tDEW?\r\n";

const QByteArray kPacket =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 2 0 4\"/></METADATA><ROWDATA>"
    "<ROW RowState=\"4\" No=\"1\" Time=\"10:20\" Value=\"45.6%RH\" DC/AC=\"23.4\" Unit=\"#\"/>"
    "<ROW RowState=\"4\" No=\"2\" Time=\"10:21\" Value=\"NULL\" DC/AC=\"-1.5\" Unit=\"DEW?\"/>"
    "</ROWDATA></DATAPACKET>";

class ConvertTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    void Write(const char* name, const QByteArray& bytes) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray Read(const char* name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir_;
};

TEST_F(ConvertTest, TextToPacketAndBack) {
    Write("in.txt", kText);
    TCliRun run = RunCliInProcess({"convert", Path("in.txt"), Path("out.XML")});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty() && run.err.isEmpty());
    EXPECT_EQ(Read("out.XML"), kPacket);

    run = RunCliInProcess({"convert", Path("out.XML"), Path("back.xls")});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(Read("back.xls"), kText);
}

TEST_F(ConvertTest, AJournalConvertsLikeAnyTextTableItsCutLastLineLeftOut) {
    // A recording journal as a crash leaves it: the received-time column, a last line cut short.
    Write("rx47-20251211-162536-123-RH.txt",
          "No\tTime\t%RH\tTemp\tUnit\tReceived\r\n"
          "1\t10:20\t45.6%RH\t23.4\t#\t2025-12-11T16:25:36.123+01:00\r\n"
          "2\t10:21\tNULL\t-1.5\tDEW?\t2025-12-11T16:25:37.123+01:00\r\n"
          "3\t10:22\t4");
    const TCliRun run =
        RunCliInProcess({"convert", Path("rx47-20251211-162536-123-RH.txt"), Path("out.xml")});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(Read("out.xml"), kPacket);
}

TEST_F(ConvertTest, AsAProgram) {
    Write("in.xml", kPacket);
    const TCliRun run = RunCliProgram({"convert", Path("in.xml"), Path("out")});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(Read("out"), kText);
}

TEST_F(ConvertTest, FileThatFailsIsNotConverted) {
    // The third line splits into six items; the window keeps line 2's record, the converter
    // writes nothing.
    Write("bad.txt", kText + "3\t10:22\t45 .6%RH\t23.4\t#\r\n");
    Write("out.txt", "keep me");
    const TCliRun run = RunCliInProcess({"convert", Path("bad.txt"), Path("out.txt")});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.startsWith(
        ("rx47-cli: " + Path("bad.txt") + ": Failed to Load File! (").toLocal8Bit()))
        << run.err.constData();
    EXPECT_EQ(Read("out.txt"), "keep me");

    const TCliRun missing = RunCliInProcess({"convert", Path("none.txt"), Path("out.txt")});
    EXPECT_EQ(missing.exitCode, kExitFailed);
    EXPECT_TRUE(missing.err.contains("Failed to Load File!"));
}

TEST_F(ConvertTest, UnwritableTargetIsReported) {
    Write("in.txt", kText);
    const QString target = Path("no-such-folder/out.xml");
    const TCliRun run = RunCliInProcess({"convert", Path("in.txt"), target});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(
        run.err.startsWith(("rx47-cli: Cannot create file \"" + target + "\". ").toLocal8Bit()))
        << run.err.constData();
}

TEST_F(ConvertTest, UsageErrors) {
    for (const QStringList& arguments : {QStringList{"convert"}, QStringList{"convert", "a"},
                                         QStringList{"convert", "a", "b", "c"}}) {
        const TCliRun run = RunCliInProcess(arguments);
        EXPECT_EQ(run.exitCode, kExitUsage);
        EXPECT_EQ(run.err, "rx47-cli: convert: convert needs two file names, IN and OUT "
                           "(try 'rx47-cli convert --help')\n");
    }
}

} // namespace

namespace {

TEST_F(ConvertTest, ToASpreadsheetFileInTheLocalesStyle) {
    Write("in.txt", kText);
    const struct {
        QByteArray decimalSep;
        QByteArray expected;
    } cases[] = {
        {".", "\xEF\xBB\xBF"
              "Received,Received (local time),No,Time,%RH,Temp,Unit,Dew point\r\n"
              ",,1,10:20,45.6,23.4,\xC2\xB0"
              "C,no\r\n"
              ",,2,10:21,,-1.5,\xC2\xB0"
              "F,yes\r\n"},
        {",", "\xEF\xBB\xBF"
              "Received;Received (local time);No;Time;%RH;Temp;Unit;Dew point\r\n"
              ";;1;10:20;45,6;23,4;\xC2\xB0"
              "C;no\r\n"
              ";;2;10:21;;-1,5;\xC2\xB0"
              "F;yes\r\n"},
    };
    for (const auto& c : cases) {
        const TCliRun run =
            RunCliInProcess({"convert", Path("in.txt"), Path("out.CSV")}, c.decimalSep);
        EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
        EXPECT_EQ(Read("out.CSV"), c.expected);
    }
    // A spreadsheet file that cannot be written says why and fails.
    const TCliRun run =
        RunCliInProcess({"convert", Path("in.txt"), Path("no/such/folder/out.csv")});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.contains("out.csv")) << run.err.constData();
}

} // namespace
