// list, read and record on the simulated cable with instant pacing and a fixed clock: the output
// byte for byte, the files, the ends of a run and its errors.

#include "CliTestSupport.h"

#include "cli/CliApp.h"
#include "cli/CliEnvironment.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "sim/SimCableOnBus.h"
#include "sim/SimHidBus.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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
    const TCliRun run = RunCliSimulated({"read", Simulate({a, b, c})});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_EQ(run.out, "2026-12-10T11:20:05+01:00\t16:32\t45.3%RH\t23.4\t#\n"
                       "2026-12-10T11:20:05+01:00\t16:33\t46.0%RH\t-23.5\t#\n"
                       "2026-12-10T11:20:05+01:00\t16:34\t46.0%RH\t-23.5\t#\n");
    EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(LinkCommandsTest, ReadEndsAfterCountReadings) {
    const TCliRun run = RunCliSimulated({"read", "--count", "2", Simulate({a, b, c})});
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_EQ(run.out.count('\n'), 2);
    // Generated readings never end by themselves.
    const TCliRun generated = RunCliSimulated({"read", "--count=5", "--simulate"});
    EXPECT_EQ(generated.exitCode, kExitOk);
    EXPECT_EQ(generated.out.count('\n'), 5);
}

TEST_F(LinkCommandsTest, EmptyReplayEndsAtOnce) {
    const TCliRun run = RunCliSimulated({"read", Simulate({})});
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(LinkCommandsTest, FrameThatDoesNotDecodeFailsTheRunAfterTheGoodOnes) {
    const TCliRun run =
        RunCliSimulated({"read", Simulate({a, FrameHex(4, 5, 3, 2, 3, 4, 0, 0xC), b})});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_EQ(run.out, "2026-12-10T11:20:05+01:00\t16:32\t45.3%RH\t23.4\t#\n");
    EXPECT_EQ(run.err, "rx47-cli: 'C' is not a valid integer value\n");
}

TEST_F(LinkCommandsTest, RecordWritesTheTextTableUnderThePolicy) {
    const QString out = dir.filePath("log.txt");
    const TCliRun run =
        RunCliSimulated({"record", "--out", out, "--repeat", Simulate({a, b, c, a})});
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
    const TCliRun run =
        RunCliSimulated({"record", "--out", out, "--limit=2", "--temp", "--simulate"});
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
    const TCliRun run = RunCliSimulated(GetParam().arguments);
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
    const TCliRun run =
        RunCliSimulated({"record", "--out", dir.filePath("missing/log.txt"), "--simulate"});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.contains("missing/log.txt"));
}

TEST_F(LinkCommandsTest, MissingReplayFileIsReported) {
    const TCliRun run = RunCliSimulated({"read", "--simulate=" + dir.filePath("none.txt")});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(run.err.startsWith("rx47-cli: "));
}

TEST(LinkCommands, ListMarksTheCable) {
    const TCliRun run = RunCliSimulated({"list", "--simulate"});
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_EQ(run.out, "* USB to Serial\tsim:1\n");
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
    const TCliRun run = RunCliSimulated({"list"}, &bus);
    EXPECT_EQ(run.exitCode, kExitOk);
    EXPECT_EQ(run.out, "  Device VID=046D PID=C077 (Serial=A1)\t" + TSimHidBus::PathOf(1) +
                           "\n* USB to Serial\t" + TSimHidBus::PathOf(cableId) +
                           "\n  USB to Serial (Serial=77)\t" + TSimHidBus::PathOf(cableId + 1) +
                           "\n");
    EXPECT_EQ(run.err.count("permission denied"), 1) << run.err.constData();
    EXPECT_TRUE(run.err.contains(TSimHidBus::PathOf(1))) << run.err.constData();
    // read names the rule too, instead of connecting to nothing.
    const TCliRun read = RunCliSimulated({"read"}, &bus);
    EXPECT_EQ(read.exitCode, kExitNoDevice);
    EXPECT_TRUE(read.err.contains("70-rx47.rules"));
    EXPECT_TRUE(read.err.contains(TSimHidBus::PathOf(cableId))) << read.err.constData();
}

TEST(LinkCommands, NoCableExitsThree) {
    TSimHidBus bus;
    bus.Plug(OtherDevice(TSimOpenFailure::None));
    const TCliRun run = RunCliSimulated({"read", "--count", "1"}, &bus);
    EXPECT_EQ(run.exitCode, kExitNoDevice);
    EXPECT_EQ(run.err, "rx47-cli: no USB interface cable (\"USB to Serial\") found\n");
    EXPECT_TRUE(run.out.isEmpty());
}

} // namespace

namespace {

// Two cables and a mouse: --device picks a cable by its node or its serial number, and refuses
// what is not a cable or not there.
TEST(LinkCommands, DevicePicksOneCable) {
    // Every case on a bus of its own, so that each run meets cables nobody connected to yet.
    struct TBus {
        TSimHidBus bus;
        uint32_t mouse = bus.Plug(OtherDevice(TSimOpenFailure::None));
        uint32_t first = bus.Plug(
            SimCableInterface(std::make_shared<TSimSerialCable>(TSimCablePacing::Instant()),
                              {u"USB to Serial", u"11"}));
        uint32_t second = bus.Plug(
            SimCableInterface(std::make_shared<TSimSerialCable>(TSimCablePacing::Instant()),
                              {u"USB to Serial", u"77"}));
    };
    const TBus ids;
    const uint32_t mouse = ids.mouse;
    const uint32_t second = ids.second;
    struct TCase {
        QString device;
        int exitCode;
        QByteArray out, err;
    };
    const TCase cases[] = {
        {"serial:77", kExitOk, "77\r\n", ""},
        {QString::fromLatin1(TSimHidBus::PathOf(second)), kExitOk, "77\r\n", ""},
        {"serial:11", kExitOk, "11\r\n", ""},
        {"serial:99", kExitNoDevice, "",
         "rx47-cli: no USB interface cable at serial:99 (rx47-cli list shows them)\n"},
        {QString::fromLatin1(TSimHidBus::PathOf(mouse)), kExitNoDevice, "",
         "rx47-cli: " + TSimHidBus::PathOf(mouse) +
             " is not a USB interface cable (\"USB to Serial\"): Device VID=046D PID=C077 "
             "(Serial=A1)\n"},
    };
    for (const TCase& c : cases) {
        TBus fresh;
        const TCliRun run = RunCliSimulated(
            {"read", "--count", "1", "--format", "csv", "--device", c.device}, &fresh.bus);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.device.toStdString();
        EXPECT_EQ(run.err, c.err) << c.device.toStdString();
        // The default name is the serial number of the cable read.
        if (c.exitCode == kExitOk) {
            EXPECT_TRUE(run.out.endsWith("," + c.out)) << run.out.constData();
        }
    }
}

} // namespace
