// list, read and record on the simulated cable with instant pacing and a fixed clock: the output
// byte for byte, the files, the ends of a run and its errors.

#include "CliTestSupport.h"

#include "cli/CliApp.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "sim/SimCableOnBus.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QDateTime FixedClock() {
    return QDateTime(QDate(2026, 12, 10), QTime(11, 20, 5), QTimeZone(3600));
}
QByteArray PointSep() {
    return ".";
}

struct TRun {
    int exitCode = -1;
    QByteArray out, err;
};

// Without a platform of the test's own the run sees an empty simulated bus, never the machine's
// HID devices.
TRun RunLinkCli(const QStringList& arguments, IHidPlatform* platform = nullptr) {
    TBufferOutput output;
    TSimHidBus noDevices;
    TCliEnvironment environment;
    environment.output = &output;
    environment.decimalSepQuery = PointSep;
    environment.hidPlatform = platform != nullptr ? platform : &noDevices;
    environment.instantSimulation = true;
    environment.clock = FixedClock;
    TRun run;
    run.exitCode = RunCli(QStringList{QStringLiteral("rx47-cli")} + arguments, environment);
    run.out = output.out;
    run.err = output.err;
    return run;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class LinkCommandsTest : public ::testing::Test {
protected:
    // A replay file of the frames, one per line.
    QString Replay(const QList<QByteArray>& frames) {
        const QString path = dir.filePath("frames.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# recorded frames\n");
        for (const QByteArray& frame : frames)
            file.write(frame + '\n');
        return path;
    }
    QString Simulate(const QList<QByteArray>& frames) {
        return QStringLiteral("--simulate=") + Replay(frames);
    }

    QTemporaryDir dir;
    const QByteArray a = FrameHex(4, 5, 3, 2, 3, 4, 0, 0, 0x10, 0x20); // 45.3 %RH, 23.4, 16:32
    const QByteArray b = FrameHex(4, 6, 0, 2, 3, 5, 1, 0, 0x10, 0x21); // 46.0 %RH, -23.5, 16:33
    const QByteArray c = FrameHex(4, 6, 0, 2, 3, 5, 1, 0, 0x10, 0x22); // as b, 16:34
};

TEST_F(LinkCommandsTest, ReadPrintsOneLinePerReadingAndEndsAfterTheReplay) {
    const TRun run = RunLinkCli({"read", Simulate({a, b, c})});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(run.out, "2026-12-10T11:20:05+01:00\t16:32\t45.3%RH\t23.4\t#\n"
                       "2026-12-10T11:20:05+01:00\t16:33\t46.0%RH\t-23.5\t#\n"
                       "2026-12-10T11:20:05+01:00\t16:34\t46.0%RH\t-23.5\t#\n");
    EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(LinkCommandsTest, ReadEndsAfterCountReadings) {
    const TRun run = RunLinkCli({"read", "--count", "2", Simulate({a, b, c})});
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_EQ(run.out.count('\n'), 2);
    // Generated readings never end by themselves.
    const TRun generated = RunLinkCli({"read", "--count=5", "--simulate"});
    EXPECT_EQ(generated.exitCode, kExitOk);
    EXPECT_EQ(generated.out.count('\n'), 5);
}

TEST_F(LinkCommandsTest, EmptyReplayEndsAtOnce) {
    const TRun run = RunLinkCli({"read", Simulate({})});
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(LinkCommandsTest, FrameThatDoesNotDecodeFailsTheRunAfterTheGoodOnes) {
    const TRun run = RunLinkCli({"read", Simulate({a, FrameHex(4, 5, 3, 2, 3, 4, 0, 0xC), b})});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_EQ(run.out, "2026-12-10T11:20:05+01:00\t16:32\t45.3%RH\t23.4\t#\n");
    EXPECT_EQ(run.err, "rx47-cli: 'C' is not a valid integer value\n");
}

TEST_F(LinkCommandsTest, RecordWritesTheTextTableUnderThePolicy) {
    const QString out = dir.filePath("log.txt");
    const TRun run = RunLinkCli({"record", "--out", out, "--repeat", Simulate({a, b, c, a})});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty());
    // c repeats b: its number is used up, nothing recorded.
    EXPECT_EQ(ReadAll(out), "No\tTime\t%RH\tTemp\tUnit\r\n"
                            "1\t16:32\t45.3%RH\t23.4\t#\r\n"
                            "2\t16:33\t46.0%RH\t-23.5\t#\r\n"
                            "4\t16:32\t45.3%RH\t23.4\t#\r\n");
}

TEST_F(LinkCommandsTest, RecordEndsAtTheLimitAndWritesAPacket) {
    const QString out = dir.filePath("log.xml");
    const TRun run = RunLinkCli({"record", "--out", out, "--limit=2", "--temp", "--simulate"});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    const QByteArray packet = ReadAll(out);
    EXPECT_TRUE(packet.contains("No=\"1\""));
    EXPECT_TRUE(packet.contains("No=\"2\""));
    EXPECT_FALSE(packet.contains("No=\"3\""));
}

struct TUsageCase {
    QStringList arguments;
    const char* message;
};

class LinkUsageTest : public ::testing::TestWithParam<TUsageCase> {};

TEST_P(LinkUsageTest, WrongCommandLinesExitTwo) {
    const TRun run = RunLinkCli(GetParam().arguments);
    EXPECT_EQ(run.exitCode, kExitUsage);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkUsageTest,
    ::testing::Values(
        TUsageCase{{"read", "--count", "0"},
                   "rx47-cli: read: --count must be at least 1 (try 'rx47-cli read --help')\n"},
        TUsageCase{{"read", "--count", "x"},
                   "rx47-cli: read: --count: 'x' is not a valid integer value (try 'rx47-cli "
                   "read --help')\n"},
        TUsageCase{{"read", "extra"},
                   "rx47-cli: read: unexpected argument 'extra' (try 'rx47-cli read --help')\n"},
        TUsageCase{{"record", "--simulate"},
                   "rx47-cli: record: record needs --out FILE (try 'rx47-cli record --help')\n"},
        TUsageCase{{"record", "--out", "x.txt", "--interval", "-1"},
                   "rx47-cli: record: --interval must be at least 0 (try 'rx47-cli record "
                   "--help')\n"},
        TUsageCase{{"list", "--count", "1"},
                   "rx47-cli: list: unknown option '--count' (try 'rx47-cli list --help')\n"}));

TEST_F(LinkCommandsTest, RecordFileThatCannotBeWrittenFailsBeforeConnecting) {
    const TRun run = RunLinkCli({"record", "--out", dir.filePath("missing/log.txt"), "--simulate"});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.contains("missing/log.txt"));
}

TEST_F(LinkCommandsTest, MissingReplayFileIsReported) {
    const TRun run = RunLinkCli({"read", "--simulate=" + dir.filePath("none.txt")});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.startsWith("rx47-cli: "));
}

TEST(LinkCommands, ListMarksTheCable) {
    const TRun run = RunLinkCli({"list", "--simulate"});
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_EQ(run.out, "* USB to Serial\n");
    EXPECT_TRUE(run.err.isEmpty());
}

TSimHidInterface OtherDevice(TSimOpenFailure failure) {
    TSimHidInterface device;
    device.product = std::nullopt;
    device.serial = u"A1";
    device.vendorId = 0x046D;
    device.productId = 0xC077;
    device.inputReportLength = 5;
    device.openFailure = failure;
    return device;
}

TEST(LinkCommands, ListShowsThePermissionHintOnce) {
    TSimHidBus bus;
    bus.Plug(OtherDevice(TSimOpenFailure::ReadWrite));
    TSimHidInterface cable = SimCableInterface(std::make_shared<TSimSerialCable>());
    cable.openFailure = TSimOpenFailure::ReadWrite;
    const uint32_t cableId = bus.Plug(cable);
    TSimHidInterface second =
        SimCableInterface(std::make_shared<TSimSerialCable>(), {u"USB to Serial", u"77"});
    bus.Plug(second);
    const TRun run = RunLinkCli({"list"}, &bus);
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_EQ(run.out, "  Device VID=046D PID=C077 (Serial=A1)\n"
                       "* USB to Serial\n"
                       "  USB to Serial (Serial=77)\n");
    EXPECT_EQ(run.err.count("permission denied"), 1) << run.err.constData();
    EXPECT_TRUE(run.err.contains(TSimHidBus::PathOf(1))) << run.err.constData();
    // read names the rule too, instead of connecting to nothing.
    const TRun read = RunLinkCli({"read"}, &bus);
    EXPECT_EQ(read.exitCode, kExitNoDevice);
    EXPECT_TRUE(read.err.contains("70-rx47.rules"));
    EXPECT_TRUE(read.err.contains(TSimHidBus::PathOf(cableId))) << read.err.constData();
}

TEST(LinkCommands, NoCableExitsThree) {
    TSimHidBus bus;
    bus.Plug(OtherDevice(TSimOpenFailure::None));
    const TRun run = RunLinkCli({"read", "--count", "1"}, &bus);
    EXPECT_EQ(run.exitCode, kExitNoDevice);
    EXPECT_EQ(run.err, "rx47-cli: no USB interface cable (\"USB to Serial\") found\n");
    EXPECT_TRUE(run.out.isEmpty());
}

} // namespace
