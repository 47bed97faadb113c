// The soak: a day of the simulated logger at one reading a second (86,400 readings) in compressed
// time, through the window's data handler, its decoding, logging policy, record table, grid and
// chart, with a Trecord tick per simulated second. The sampling interval, the repeat filter and
// the record limit each have their share of the day. At the end the table is saved and opened
// again in both formats and must come back record for record, byte for byte.
//
// Labelled slow (see extra.cmake); it runs when RX47_SOAK is set.

#include "support_gui/WindowFixture.h"

#include "hid/HidControllerClass.h"
#include "records/DataFiles.h"
#include "records/RecordTable.h"
#include "sim/SimHidBus.h"
#include "sim/SimRx47Logger.h"
#include "sim/SimSerialCable.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSecondsPerDay = 86400;
constexpr int kRecordLimit = 50000; // the "50000" item of the Record menu

// Resident memory of this process in kB (VmRSS), 0 when unknown.
long ResidentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

class SoakTest : public WindowTest {
protected:
    void SetUp() override {
        // A cable that takes the requests and sends nothing itself: the test delivers the
        // logger's reports as the reader would.
        TSimHidInterface cable;
        cable.product = u"USB to Serial";
        cable.vendorId = TSimSerialCable::kVendorId;
        cable.productId = TSimSerialCable::kProductId;
        cable.inputReportLength = TSimSerialCable::kInputReportLength;
        cable.outputReportLength = TSimSerialCable::kOutputReportLength;
        cable.featureReportLength = TSimSerialCable::kFeatureReportLength;
        bus->Plug(cable);
        TFCOMMEnvironment environment;
        environment.hidPlatform = bus.get();
        MakeWindow(environment);
        device = window->SelectedDevice();
        ASSERT_NE(device, nullptr);
        window->N500001Click();
    }
    void TearDown() override {
        window.reset();
        bus.reset();
    }

    // One frame in reports of up to 7 payload bytes and the empty report that closes it.
    void Deliver(const QByteArray& frame) {
        for (qsizetype at = 0; at < frame.size(); at += TSimSerialCable::kPayloadPerReport)
            DeliverReport(TSimSerialCable::MakeInputReport(QByteArrayView(frame).sliced(
                at, std::min<qsizetype>(TSimSerialCable::kPayloadPerReport, frame.size() - at))));
        DeliverReport(TSimSerialCable::MakeInputReport({}));
    }
    void DeliverReport(const QByteArray& report) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(report.constData());
        window->USBRData(device, bytes[0], bytes + 1, uint16_t(report.size() - 1));
    }

    // Simulated seconds [from, to): a reading and a Trecord tick each.
    void RunSeconds(int from, int to) {
        for (int second = from; second < to; ++second) {
            Deliver(TSimRx47Logger::EncodeFrame(logger.NextReading()));
            window->TrecordTimer();
        }
    }

    std::unique_ptr<TSimHidBus> bus = std::make_unique<TSimHidBus>();
    THidDevice* device = nullptr;
    TSimRx47Logger logger{2024};
};

// Data files keep what the table's fields hold, not the moment each record was received.
void ExpectSameRecords(const TRecordTable& expected, const TRecordTable& actual) {
    ASSERT_EQ(actual.Count(), expected.Count());
    for (int64_t row = 0; row < expected.Count(); ++row) {
        TRecord recorded = expected.At(row);
        recorded.Received = kNoReceivedTime;
        ASSERT_EQ(actual.At(row), recorded) << "row " << row;
    }
}

TEST_F(SoakTest, ADayOfReadingsKeepsEveryRecordThroughSaveAndOpen) {
    if (!std::getenv("RX47_SOAK"))
        GTEST_SKIP() << "runs as the test reliability.Soak (RX47_SOAK=1)";
    const long rssStart = ResidentKilobytes();
    const TRecordTable& table = *window->cds1;

    // First third: a record every five seconds at most.
    window->RecordSITime->setText(QStringLiteral("5"));
    window->RecordSI->setChecked(true);
    RunSeconds(0, kSecondsPerDay / 3);
    const int64_t sampled = table.Count();
    EXPECT_LE(sampled, kSecondsPerDay / 3 / 5 + 1);
    EXPECT_GE(sampled, kSecondsPerDay / 3 / 6);
    EXPECT_EQ(window->State.RecordNo, sampled + 1);

    // Second third: every reading, but a repeat of the last record only uses up its number.
    window->RecordSI->setChecked(false);
    window->RepeatSet->setChecked(true);
    RunSeconds(kSecondsPerDay / 3, 2 * kSecondsPerDay / 3);
    const int64_t filtered = table.Count() - sampled;
    const int64_t repeats = window->State.RecordNo - 1 - table.Count();
    EXPECT_GT(repeats, 0);
    EXPECT_EQ(filtered + repeats, kSecondsPerDay / 3);

    // Last third: every reading until the limit.
    window->RepeatSet->setChecked(false);
    RunSeconds(2 * kSecondsPerDay / 3, kSecondsPerDay);
    ASSERT_EQ(table.Count(), kRecordLimit);
    EXPECT_EQ(window->State.RecordCount, kRecordLimit);
    EXPECT_TRUE(dialogs.messages.empty());
    for (int64_t row = 1; row < table.Count(); ++row)
        ASSERT_LT(*table.NoAt(row - 1), *table.NoAt(row));
    EXPECT_EQ(window->ListBox1->count() <= 1100, true); // the trace list stays capped
    const long rssEnd = ResidentKilobytes();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& name : {QStringLiteral("day.txt"), QStringLiteral("day.xml")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        ASSERT_EQ(SaveTableToFile(table, path).kind, TSaveOutcome::TKind::Saved);
        TRecordTable reopened;
        const TLoadOutcome loaded = LoadTableFromFile(path, reopened);
        ASSERT_TRUE(loaded.ok) << loaded.reason.toStdString();
        EXPECT_EQ(loaded.recordsRead, kRecordLimit);
        ExpectSameRecords(table, reopened);
    }

    RecordProperty("rss_start_kb", int(rssStart));
    RecordProperty("rss_end_kb", int(rssEnd));
    std::printf("soak: %d readings, %lld records, %lld repeats filtered, RSS %ld kB -> %ld kB\n",
                kSecondsPerDay, static_cast<long long>(table.Count()),
                static_cast<long long>(repeats), rssStart, rssEnd);
}

} // namespace
