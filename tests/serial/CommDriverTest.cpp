// The serial port driver on a real pseudo-terminal pair.

#include "PseudoTerminal.h"

#include "serial/CommDriver.h"
#include "serial/LineSettings.h"
#include "serial/LineSpeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

constexpr uint16_t kNoPolling = 60000; // keeps received bytes waiting in the port

struct TBatch {
    QByteArray bytes;
    QThread* thread = nullptr;
};

class CommDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        driver = std::make_unique<TCommPortDriver>();
        // COM2 is the pseudo-terminal, the other names lead nowhere.
        driver->SetPortPathResolver([this](TComPortNumber port) {
            return port == pnCOM2 ? pty.slavePath : QByteArray("/nonexistent/ttyRX47");
        });
        driver->SetOnReceiveData(
            [this](TCommPortDriver* sender, const uint8_t* data, int32_t size) {
                EXPECT_EQ(sender, driver.get());
                batches.push_back({QByteArray(reinterpret_cast<const char*>(data), size),
                                   QThread::currentThread()});
            });
    }

    QByteArray Received() const {
        QByteArray all;
        for (const TBatch& batch : batches)
            all += batch.bytes;
        return all;
    }

    TPseudoTerminal pty;
    std::unique_ptr<TCommPortDriver> driver;
    std::vector<TBatch> batches;
};

termios LineOf(const TPseudoTerminal& pty) {
    termios line{};
    tcgetattr(pty.slave, &line);
    return line;
}

int OpenDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

TEST(CommDriverDefaults, AreTheComponentDefaults) {
    TCommPortDriver driver;
    EXPECT_FALSE(driver.Connected());
    EXPECT_EQ(driver.ComPort(), pnCOM2);
    EXPECT_EQ(driver.ComPortSpeed(), br9600);
    EXPECT_EQ(driver.ComPortDataBits(), db8BITS);
    EXPECT_EQ(driver.ComPortStopBits(), sb1BITS);
    EXPECT_EQ(driver.ComPortParity(), ptNONE);
    EXPECT_EQ(driver.ComPortHwHandshaking(), hhNONE);
    EXPECT_EQ(driver.ComPortSwHandshaking(), shNONE);
    EXPECT_EQ(driver.ComPortInBufSize(), 2048);
    EXPECT_EQ(driver.ComPortOutBufSize(), 2048);
    EXPECT_EQ(driver.ComPortPollingDelay(), 50);
    EXPECT_TRUE(driver.EnableDTROnOpen());
    EXPECT_EQ(driver.OutputTimeout(), 4000);
    EXPECT_FALSE(driver.OnReceiveData());
}

TEST(CommDriverNames, PortsMapToSerialDevicesUnlessRedirected) {
    EXPECT_EQ(ComPortName(pnCOM1), "COM1");
    EXPECT_EQ(ComPortName(pnCOM4), "COM4");
    qunsetenv("RX47_COM3");
    EXPECT_EQ(DefaultComPortPath(pnCOM1), "/dev/ttyS0");
    EXPECT_EQ(DefaultComPortPath(pnCOM3), "/dev/ttyS2");
    qputenv("RX47_COM3", "/dev/ttyUSB0");
    EXPECT_EQ(DefaultComPortPath(pnCOM3), "/dev/ttyUSB0");
    EXPECT_EQ(DefaultComPortPath(pnCOM4), "/dev/ttyS3");
    qunsetenv("RX47_COM3");
}

TEST(CommDriverNames, SpeedValues) {
    const std::pair<TComPortBaudRate, int32_t> speeds[] = {
        {br110, 110},     {br300, 300},     {br600, 600},      {br1200, 1200},   {br2400, 2400},
        {br4800, 4800},   {br9600, 9600},   {br14400, 14400},  {br19200, 19200}, {br38400, 38400},
        {br56000, 56000}, {br57600, 57600}, {br115200, 115200}};
    for (const auto& [speed, bitsPerSecond] : speeds)
        EXPECT_EQ(BaudRateValue(speed), bitsPerSecond) << int(speed);
}

TEST(CommDriverModemLines, DtrFollowsTheSettingRtsStaysOffWithoutHandshaking) {
    const TModemLineRequest plain = ModemLinesFor(true, hhNONE);
    EXPECT_TRUE(plain.dtr);
    EXPECT_TRUE(plain.setRts);
    EXPECT_FALSE(plain.rts);
    EXPECT_FALSE(ModemLinesFor(false, hhNONE).dtr);
    // With RTS/CTS the line discipline drives RTS.
    EXPECT_FALSE(ModemLinesFor(true, hhRTSCTS).setRts);
}

TEST_F(CommDriverTest, EnvironmentRedirectsThePortWhenNoResolverIsSet) {
    driver->SetPortPathResolver(nullptr);
    driver->SetComPort(pnCOM4);
    qputenv("RX47_COM4", pty.slavePath);
    EXPECT_TRUE(driver->Connect());
    qunsetenv("RX47_COM4");
}

struct TLineCase {
    const char* name;
    TComPortBaudRate speed;
    TComPortDataBits dataBits;
    TComPortParity parity;
    TComPortStopBits stopBits;
    TComPortHwHandshaking hw;
    TComPortSwHandshaking sw;
    int32_t bitsPerSecond;
    tcflag_t size;
    tcflag_t parityFlags;
    bool twoStopBits;
};

class LineSettingsTest : public CommDriverTest, public ::testing::WithParamInterface<TLineCase> {
protected:
    void Configure(const TLineCase& c) {
        driver->SetComPortSpeed(c.speed);
        driver->SetComPortDataBits(c.dataBits);
        driver->SetComPortParity(c.parity);
        driver->SetComPortStopBits(c.stopBits);
        driver->SetComPortHwHandshaking(c.hw);
        driver->SetComPortSwHandshaking(c.sw);
    }
    void ExpectLine(const TLineCase& c) {
        const termios line = LineOf(pty);
        EXPECT_EQ(ReadLineSpeed(pty.slave), c.bitsPerSecond);
        // The pseudo-terminal forces 8 data bits and clears parity enable (a pty has no
        // framing); those two are checked on the composed settings below.
        EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), c.parityFlags & (PARODD | CMSPAR));
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ((line.c_cflag & CRTSCTS) != 0, c.hw == hhRTSCTS);
        EXPECT_EQ((line.c_iflag & (IXON | IXOFF)) != 0, c.sw == shXONXOFF);
        if (c.sw == shXONXOFF) {
            EXPECT_EQ(line.c_cc[VSTART], 0x11);
            EXPECT_EQ(line.c_cc[VSTOP], 0x13);
        }
        // A raw line whose reads never wait.
        EXPECT_TRUE(line.c_cflag & CREAD);
        EXPECT_TRUE(line.c_cflag & CLOCAL);
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(line.c_iflag & (INPCK | ICRNL | ISTRIP), 0u);
        EXPECT_EQ(line.c_oflag & OPOST, 0u);
        EXPECT_EQ(line.c_cc[VMIN], 0);
        EXPECT_EQ(line.c_cc[VTIME], 0);
    }
};

TEST_P(LineSettingsTest, SetBeforeConnectAreAppliedOnConnect) {
    Configure(GetParam());
    ASSERT_TRUE(driver->Connect());
    ExpectLine(GetParam());
}

TEST_P(LineSettingsTest, SetWhileConnectedAreAppliedAtOnce) {
    ASSERT_TRUE(driver->Connect());
    Configure(GetParam());
    ExpectLine(GetParam());
}

TEST_P(LineSettingsTest, ComposedDataBitsAndParity) {
    const TLineCase& c = GetParam();
    TLineSettings settings;
    settings.speed = c.speed;
    settings.dataBits = c.dataBits;
    settings.parity = c.parity;
    settings.stopBits = c.stopBits;
    settings.hwHandshaking = c.hw;
    settings.swHandshaking = c.sw;
    termios line{};
    line.c_cflag = CSIZE | PARENB | HUPCL; // leftovers of whatever ran before
    line.c_lflag = ICANON | ECHO;
    const int32_t arbitrary = ComposeTermios(settings, line);
    EXPECT_EQ(line.c_cflag & CSIZE, c.size);
    EXPECT_EQ(line.c_cflag & (PARENB | PARODD | CMSPAR), c.parityFlags);
    EXPECT_EQ(line.c_iflag & INPCK, 0u); // generated, not checked
    EXPECT_EQ(line.c_lflag, 0u);
    if (c.bitsPerSecond == 14400 || c.bitsPerSecond == 56000)
        EXPECT_EQ(arbitrary, c.bitsPerSecond);
    else
        EXPECT_EQ(arbitrary, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineSettingsTest,
    ::testing::Values(TLineCase{"Default9600_8N1", br9600, db8BITS, ptNONE, sb1BITS, hhNONE, shNONE,
                                9600, CS8, 0, false},
                      TLineCase{"Even7Bits2Stop", br4800, db7BITS, ptEVEN, sb2BITS, hhNONE, shNONE,
                                4800, CS7, PARENB, true},
                      TLineCase{"Odd6Bits", br1200, db6BITS, ptODD, sb1BITS, hhNONE, shNONE, 1200,
                                CS6, PARENB | PARODD, false},
                      // 1.5 stop bits has no POSIX setting; it becomes 2.
                      TLineCase{"Mark5BitsOneAndAHalfStop", br110, db5BITS, ptMARK, sb1HALFBITS,
                                hhNONE, shNONE, 110, CS5, PARENB | PARODD | CMSPAR, true},
                      TLineCase{"Space", br115200, db8BITS, ptSPACE, sb1BITS, hhNONE, shNONE,
                                115200, CS8, PARENB | CMSPAR, false},
                      TLineCase{"RtsCts", br57600, db8BITS, ptNONE, sb1BITS, hhRTSCTS, shNONE,
                                57600, CS8, 0, false},
                      TLineCase{"XonXoff", br38400, db8BITS, ptNONE, sb1BITS, hhNONE, shXONXOFF,
                                38400, CS8, 0, false},
                      // No termios constants: set through the arbitrary-rate interface.
                      TLineCase{"Speed14400", br14400, db8BITS, ptNONE, sb1BITS, hhNONE, shNONE,
                                14400, CS8, 0, false},
                      TLineCase{"Speed56000", br56000, db8BITS, ptNONE, sb1BITS, hhNONE, shNONE,
                                56000, CS8, 0, false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(CommDriverTest, PollingDeliversBatchesOfAtMostTheBufferSizeOnTheEventThread) {
    driver->SetComPortInBufSize(16);
    driver->SetComPortPollingDelay(2);
    ASSERT_TRUE(driver->Connect());
    QByteArray sent;
    for (int i = 0; i < 100; ++i)
        sent += char(i);
    ASSERT_TRUE(pty.Send(sent));
    ASSERT_TRUE(WaitUntil([&] { return Received().size() >= sent.size(); }));
    EXPECT_EQ(Received(), sent);
    EXPECT_GE(batches.size(), 7u);
    for (const TBatch& batch : batches) {
        EXPECT_LE(batch.bytes.size(), 16);
        EXPECT_EQ(batch.thread, QCoreApplication::instance()->thread());
    }
}

TEST_F(CommDriverTest, TicksWithoutBytesCallNothing) {
    driver->SetComPortPollingDelay(1);
    ASSERT_TRUE(driver->Connect());
    QTest::qWait(60); // many ticks, none with data
    EXPECT_TRUE(batches.empty());
    ASSERT_TRUE(pty.Send("x"));
    ASSERT_TRUE(WaitUntil([&] { return !batches.empty(); }));
    EXPECT_EQ(Received(), "x");
}

TEST_F(CommDriverTest, NoHandlerReadsAndDropsTheBytes) {
    driver->SetOnReceiveData(nullptr);
    driver->SetComPortPollingDelay(1);
    ASSERT_TRUE(driver->Connect());
    ASSERT_TRUE(pty.Send("abc"));
    EXPECT_TRUE(WaitUntil([&] { return !pty.WaitPending(0); }));
}

TEST_F(CommDriverTest, SecondConnectReconfiguresAndPurgesNothing) {
    driver->SetComPortPollingDelay(kNoPolling);
    ASSERT_TRUE(driver->Connect());
    // Change the line behind the driver's back, and let bytes wait.
    termios line = LineOf(pty);
    cfsetispeed(&line, B1200);
    cfsetospeed(&line, B1200);
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &line), 0);
    ASSERT_TRUE(pty.Send("kept"));
    ASSERT_TRUE(pty.WaitPending());

    EXPECT_TRUE(driver->Connect());
    EXPECT_EQ(ReadLineSpeed(pty.slave), 1200);
    driver->SetComPortPollingDelay(2);
    ASSERT_TRUE(WaitUntil([&] { return Received().size() >= 4; }));
    EXPECT_EQ(Received(), "kept");
}

TEST_F(CommDriverTest, SpeedChangeWhileConnectedDiscardsPendingBytes) {
    driver->SetComPortPollingDelay(kNoPolling);
    ASSERT_TRUE(driver->Connect());
    ASSERT_TRUE(pty.Send("stale"));
    ASSERT_TRUE(pty.WaitPending());

    driver->SetComPortSpeed(br19200);
    EXPECT_EQ(ReadLineSpeed(pty.slave), 19200);
    EXPECT_FALSE(pty.WaitPending(0));
    ASSERT_TRUE(pty.Send("fresh"));
    driver->SetComPortPollingDelay(2);
    ASSERT_TRUE(WaitUntil([&] { return Received().size() >= 5; }));
    EXPECT_EQ(Received(), "fresh");
}

TEST_F(CommDriverTest, ComPortChangeIsIgnoredWhileConnected) {
    ASSERT_TRUE(driver->Connect());
    driver->SetComPort(pnCOM3);
    EXPECT_EQ(driver->ComPort(), pnCOM2);
    driver->Disconnect();
    EXPECT_TRUE(driver->Connect()); // still COM2
    driver->Disconnect();

    driver->SetComPort(pnCOM3);
    EXPECT_EQ(driver->ComPort(), pnCOM3);
    EXPECT_FALSE(driver->Connect());
}

TEST_F(CommDriverTest, BufferSizesWhileConnected) {
    ASSERT_TRUE(driver->Connect());
    driver->SetComPortInBufSize(16); // the buffer is in use: ignored
    EXPECT_EQ(driver->ComPortInBufSize(), 2048);
    driver->SetComPortOutBufSize(512);
    EXPECT_EQ(driver->ComPortOutBufSize(), 512);
    driver->Disconnect();
    driver->SetComPortInBufSize(16);
    EXPECT_EQ(driver->ComPortInBufSize(), 16);
    driver->SetComPortOutBufSize(1024);
    EXPECT_EQ(driver->ComPortOutBufSize(), 1024);
}

TEST_F(CommDriverTest, MissingPortsFailSilently) {
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    for (const QByteArray& path :
         {QByteArray("/nonexistent/ttyRX47"), QByteArray(), plainFile.fileName().toLocal8Bit()}) {
        driver->SetPortPathResolver([path](TComPortNumber) { return path; });
        EXPECT_FALSE(driver->Connect()) << path.constData();
        EXPECT_FALSE(driver->Connected());
    }
    driver->Disconnect(); // nothing to do
    driver->PurgeBuffers(true, true);
    EXPECT_FALSE(driver->Connected());
}

TEST_F(CommDriverTest, FailedConnectSaysWhy) {
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    const QByteArray plain = plainFile.fileName().toLocal8Bit();
    struct Case {
        QByteArray path;
        QString reason;
    };
    for (const Case& c :
         {Case{"/nonexistent/ttyRX47", "No such file or directory (/nonexistent/ttyRX47)"},
          Case{QByteArray(), "no device is assigned to COM2"},
          Case{plain, "not a serial port (" + QString::fromLocal8Bit(plain) + ")"}}) {
        driver->SetPortPathResolver([path = c.path](TComPortNumber) { return path; });
        EXPECT_FALSE(driver->Connect());
        EXPECT_EQ(driver->ConnectError(), c.reason);
    }

    // A port another driver holds is busy.
    driver->SetPortPathResolver([this](TComPortNumber) { return pty.slavePath; });
    ASSERT_TRUE(driver->Connect());
    EXPECT_TRUE(driver->ConnectError().isEmpty());
    TCommPortDriver other;
    other.SetPortPathResolver([this](TComPortNumber) { return pty.slavePath; });
    EXPECT_FALSE(other.Connect());
    EXPECT_TRUE(other.ConnectError().endsWith(" (" + QString::fromLocal8Bit(pty.slavePath) + ")"))
        << other.ConnectError().toStdString();
    EXPECT_FALSE(other.ConnectError().startsWith(" ("));
}

TEST_F(CommDriverTest, DisconnectAndDestructionCloseThePort) {
    const int before = OpenDescriptors();
    ASSERT_TRUE(driver->Connect());
    EXPECT_EQ(OpenDescriptors(), before + 1);
    driver->Disconnect();
    EXPECT_FALSE(driver->Connected());
    EXPECT_EQ(OpenDescriptors(), before);

    ASSERT_TRUE(driver->Connect());
    driver.reset();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(CommDriverTest, DisconnectStopsPolling) {
    driver->SetComPortPollingDelay(1);
    ASSERT_TRUE(driver->Connect());
    driver->Disconnect();
    ASSERT_TRUE(pty.Send("late"));
    QTest::qWait(30);
    EXPECT_TRUE(batches.empty());
}

TEST_F(CommDriverTest, AHandlerRunningAnEventLoopIsNotEnteredAgain) {
    driver->SetComPortPollingDelay(1);
    int depth = 0, deepest = 0;
    driver->SetOnReceiveData([&](TCommPortDriver*, const uint8_t* data, int32_t size) {
        ++depth;
        deepest = std::max(deepest, depth);
        batches.push_back({QByteArray(reinterpret_cast<const char*>(data), size), nullptr});
        if (batches.size() == 1) {
            EXPECT_TRUE(pty.Send("second"));
            QTest::qWait(50); // like a modal message box: ticks fire meanwhile
        }
        --depth;
    });
    ASSERT_TRUE(driver->Connect());
    ASSERT_TRUE(pty.Send("first"));
    ASSERT_TRUE(WaitUntil([&] { return Received() == "firstsecond"; }));
    EXPECT_EQ(deepest, 1);
}

TEST_F(CommDriverTest, AFailedReadIsReportedOnceAndClosesThePort) {
    std::vector<QString> reasons;
    driver->SetOnReadError([&](TCommPortDriver* sender, const QString& reason) {
        EXPECT_EQ(sender, driver.get());
        EXPECT_FALSE(sender->Connected()) << "closed before the handler hears of it";
        reasons.push_back(reason);
    });
    driver->SetComPortPollingDelay(1);
    ASSERT_TRUE(driver->Connect());
    ASSERT_TRUE(pty.Send("ab"));
    ASSERT_TRUE(WaitUntil([&] { return Received() == "ab"; }));
    // The other end goes away (a USB serial adapter pulled out): reads fail with an I/O error.
    ::close(pty.master);
    pty.master = -1;
    ASSERT_TRUE(WaitUntil([&] { return !reasons.empty(); }));
    QTest::qWait(30);
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_FALSE(reasons[0].isEmpty());
    EXPECT_FALSE(driver->Connected());
    EXPECT_EQ(Received(), "ab");
}

} // namespace
