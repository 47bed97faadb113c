#include "link/ReportAssembly.h"

#include "base/Exceptions.h"
#include "link/UsbLink.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A cable report of 8 data bytes: count byte, payload, zero padding.
Bytes CableReport(uint8_t countByte, Bytes payload) {
    Bytes data(std::max<size_t>(payload.size() + 1, 8), 0);
    data[0] = countByte;
    std::copy(payload.begin(), payload.end(), data.begin() + 1);
    return data;
}

// The 19 payload bytes of one reading; bytes 18 and 19 are the end marker.
Bytes Frame(uint8_t marker18 = 0x0D, uint8_t marker19 = 0x0A) {
    return {0x02, 0x34, 0x35, 0x33, 0x32, 0x33, 0x34, 0x30,     0x30,    0x30,
            0x30, 0x30, 0x30, 0x30, 0x30, 0x05, 0x3B, marker18, marker19};
}

// The frame in reports of 7, 7 and 5 payload bytes.
std::vector<Bytes> FrameReports(const Bytes& frame) {
    std::vector<Bytes> reports;
    for (size_t at = 0; at < frame.size(); at += 7) {
        const size_t n = std::min<size_t>(7, frame.size() - at);
        reports.push_back(
            CableReport(uint8_t(0xF0 + n), Bytes(frame.begin() + at, frame.begin() + at + n)));
    }
    return reports;
}

QByteArray Hex(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
        .toHex()
        .toUpper();
}

class ReportAssemblyTest : public ::testing::Test {
protected:
    TReportOutcome Take(const Bytes& data, uint8_t reportId = 0) {
        TReportOutcome outcome = TakeInputReport(state, readout, reportId, data);
        if (outcome.kind == TReportKind::FrameClose) {
            closes.push_back(outcome);
            FinishFrame(state, readout, outcome.endMarker);
        }
        return outcome;
    }
    void TakeAll(const std::vector<Bytes>& reports) {
        for (const Bytes& report : reports)
            Take(report);
    }

    TProgramState state;
    TReadout readout;
    std::vector<TReportOutcome> closes;
};

TEST(ReportTraceText, ReportIdWithTwoBlanksThenEveryDataByte) {
    EXPECT_EQ(ReportTraceText(0, Bytes{0xF3, 0x31, 0x32, 0x33}), "R 00  F3 31 32 33 ");
    EXPECT_EQ(ReportTraceText(0xAB, Bytes{}), "R AB  ");
    // The count byte's low digit is character 8; data byte i sits at characters 7+3i, 8+3i.
    const QByteArray trace = ReportTraceText(0, Bytes{0xF3, 0x31, 0x5A});
    EXPECT_EQ(trace.at(7), '3');
    EXPECT_EQ(trace.mid(6 + 3 * 2, 2), "5A");
}

TEST_F(ReportAssemblyTest, PayloadReportAppendsItsBytesAndResetsTheEmptyCount) {
    state.EmptyReports = 17;
    const TReportOutcome outcome = Take(CableReport(0xF3, {0x31, 0x32, 0x33}));
    EXPECT_EQ(outcome.kind, TReportKind::Payload);
    EXPECT_EQ(state.RxHex, "313233");
    EXPECT_EQ(state.EmptyReports, 0);
    EXPECT_TRUE(state.FramePending);
    EXPECT_EQ(outcome.traceLine, "R 00  F3 31 32 33 00 00 00 00 ");
}

TEST_F(ReportAssemblyTest, FrameWithEndMarkerIsClosedForDecoding) {
    TakeAll(FrameReports(Frame()));
    EXPECT_EQ(state.RxHex, Hex(Frame()));
    EXPECT_TRUE(closes.empty());

    const TReportOutcome outcome = Take(CableReport(0xF0, {}));
    ASSERT_EQ(outcome.kind, TReportKind::FrameClose);
    EXPECT_TRUE(outcome.decode);
    EXPECT_EQ(outcome.endMarker, "DA");
    EXPECT_EQ(state.FrameText, "2453234000000005BDA");
    EXPECT_EQ(readout.USBtxt1, Hex(Frame()));
    EXPECT_EQ(readout.USBtxt, "DA");
    EXPECT_TRUE(state.RxHex.isEmpty());
    EXPECT_FALSE(state.FramePending);
    EXPECT_EQ(state.EmptyReports, 1);
}

TEST_F(ReportAssemblyTest, RxHexStillHoldsTheFrameWhenTheCallerDecodes) {
    TakeAll(FrameReports(Frame()));
    const TReportOutcome outcome = TakeInputReport(state, readout, 0, CableReport(0xF0, {}));
    ASSERT_TRUE(outcome.decode);
    EXPECT_EQ(state.RxHex, Hex(Frame()));
    EXPECT_TRUE(state.FramePending); // until FinishFrame
}

struct MarkerCase {
    uint8_t byte18, byte19;
    const char* marker;
    bool decode;
};

class EndMarkerTest : public ReportAssemblyTest,
                      public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(EndMarkerTest, OnlyLowDigitsDThenAEndAFrame) {
    const MarkerCase& c = GetParam();
    TakeAll(FrameReports(Frame(c.byte18, c.byte19)));
    Take(CableReport(0xF0, {}));
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].endMarker, c.marker);
    EXPECT_EQ(closes[0].decode, c.decode);
    EXPECT_EQ(readout.USBtxt, c.marker);
    EXPECT_TRUE(state.RxHex.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Markers, EndMarkerTest,
                         ::testing::Values(MarkerCase{0x0D, 0x0A, "DA", true},
                                           MarkerCase{0x3D, 0xFA, "DA", true},
                                           MarkerCase{0x0D, 0x0B, "DB", false},
                                           MarkerCase{0x0A, 0x0D, "AD", false},
                                           MarkerCase{0x20, 0x20, "00", false}));

TEST_F(ReportAssemblyTest, ShortFrameHasNoMarker) {
    Take(CableReport(0xF2, {0x0D, 0x0A}));
    Take(CableReport(0xF0, {}));
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(state.FrameText, "DA"); // the marker must sit at bytes 18 and 19
    EXPECT_EQ(closes[0].endMarker, "");
    EXPECT_FALSE(closes[0].decode);
}

TEST_F(ReportAssemblyTest, FrameTextKeepsTheFirstTwentyBytes) {
    Bytes frame = Frame();
    for (uint8_t extra : {0x31, 0x32, 0x33, 0x34})
        frame.push_back(extra);
    TakeAll(FrameReports(frame));
    Take(CableReport(0xF0, {}));
    EXPECT_EQ(state.FrameText, "2453234000000005BDA1");
    EXPECT_EQ(readout.USBtxt1, Hex(frame));
}

TEST_F(ReportAssemblyTest, FrameThatNeverClosesIsCappedAndStillDecodes) {
    // A cable that sends payload without end: the frame keeps its first bytes and no more.
    TakeAll(FrameReports(Frame()));
    const Bytes tail = FrameReports(Bytes(7, 0x31)).front();
    for (int i = 0; i < 100000; ++i) {
        const TReportOutcome outcome = Take(tail);
        ASSERT_EQ(outcome.kind, TReportKind::Payload);
        ASSERT_FALSE(outcome.traceLine.isEmpty()); // each report is still traced
    }
    EXPECT_EQ(state.RxHex.size(), 2 * kMaxFramePayload);
    EXPECT_TRUE(state.RxHex.startsWith(Hex(Frame())));
    Take(CableReport(0xF0, {}));
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_TRUE(closes[0].decode);
    EXPECT_EQ(state.FrameText, "2453234000000005BDA1");
    EXPECT_EQ(readout.USBtxt1.size(), 2 * kMaxFramePayload);
    // The next frame starts empty again.
    TakeAll(FrameReports(Frame()));
    Take(CableReport(0xF0, {}));
    EXPECT_EQ(readout.USBtxt1, Hex(Frame()));
}

TEST_F(ReportAssemblyTest, ReportsWithoutPayloadAfterAFrameOnlyCount) {
    TakeAll(FrameReports(Frame()));
    Take(CableReport(0xF0, {}));
    const TReportOutcome second = Take(CableReport(0xF0, {}));
    EXPECT_EQ(second.kind, TReportKind::Idle);
    EXPECT_EQ(closes.size(), 1u);
    EXPECT_EQ(state.EmptyReports, 2);
    EXPECT_EQ(readout.USBtxt, "DA");
}

TEST_F(ReportAssemblyTest, ReportWithoutDataDoesNotCountButClosesAPendingFrame) {
    state.EmptyReports = 5;
    EXPECT_EQ(Take({}).kind, TReportKind::Idle);
    EXPECT_EQ(state.EmptyReports, 5);

    TakeAll(FrameReports(Frame()));
    EXPECT_EQ(Take({}).kind, TReportKind::FrameClose);
    EXPECT_EQ(state.EmptyReports, 0);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_TRUE(closes[0].decode);
}

struct CountByteCase {
    Bytes data;
    bool payload;
    const char* rxHex;
};

class CountByteTest : public ReportAssemblyTest,
                      public ::testing::WithParamInterface<CountByteCase> {};

TEST_P(CountByteTest, LowDigitOneToNineAnnouncesPayload) {
    const CountByteCase& c = GetParam();
    state.EmptyReports = 10;
    const TReportOutcome outcome = Take(c.data);
    EXPECT_EQ(outcome.kind == TReportKind::Payload, c.payload);
    EXPECT_EQ(state.EmptyReports, c.payload ? 0 : 11);
    EXPECT_EQ(state.RxHex, c.rxHex);
}

INSTANTIATE_TEST_SUITE_P(
    CountBytes, CountByteTest,
    ::testing::Values(
        CountByteCase{CableReport(0xF0, {0x31}), false, ""},
        CountByteCase{CableReport(0x0A, {0x31}), false, ""},
        CountByteCase{CableReport(0xFF, {0x31}), false, ""},
        CountByteCase{CableReport(0x00, {}), false, ""},
        CountByteCase{CableReport(0x31, {0x41, 0x42}), true, "41"},
        CountByteCase{CableReport(0xF1, {0x41, 0x42}), true, "41"},
        // Nine payload bytes fit a longer report; a report of 8 data bytes carries only 7 of them.
        CountByteCase{{0x39, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, true, "010203040506070809"},
        CountByteCase{CableReport(0x39, {1, 2, 3, 4, 5, 6, 7}), true, "01020304050607"},
        CountByteCase{{0xF5, 0xAB}, true, "AB"}));

TEST_F(ReportAssemblyTest, StalePendingFrameClosesEmptyWithoutDecoding) {
    // After a decode failure the frame stays pending; on reconnect RxHex is emptied.
    state.FramePending = true;
    state.RxHex.clear();
    const TReportOutcome outcome = Take(CableReport(0xF0, {}));
    EXPECT_EQ(outcome.kind, TReportKind::FrameClose);
    EXPECT_FALSE(outcome.decode);
    EXPECT_FALSE(state.FramePending);
}

TEST_F(ReportAssemblyTest, ConsecutiveFramesStayApart) {
    for (int i = 0; i < 3; ++i) {
        TakeAll(FrameReports(Frame()));
        Take(CableReport(0xF0, {}));
    }
    ASSERT_EQ(closes.size(), 3u);
    for (const TReportOutcome& close : closes)
        EXPECT_TRUE(close.decode);
    EXPECT_EQ(state.FrameText.size(), 19);
}

// Whatever a frame's use raises (the decoder's conversion error, the record table's standard
// errors, an allocation that failed, anything else), the link goes down the same visible way and
// its reader is stopped: nothing reaches the reader, which would end without a word.
class TRaisingHost : public IUsbLinkHost {
public:
    std::function<void()> raise;
    std::vector<QString> calls;
    THidDevice* SelectLinkDevice() override { return nullptr; }
    THidDevice* LinkDevice() override { return nullptr; }
    void StopSelectedReader() override {}
    void StartReader(THidDevice&) override {}
    void StopReader(THidDevice*) override { calls.push_back("stop reader"); }
    uint32_t LineBaudRate() override { return 2400; }
    void ReleaseLink() override { calls.push_back("release link"); }
    void ShowMessage(const QString& text) override { calls.push_back("message " + text); }
    void DecodeFailed(const QString& message) override { calls.push_back("failed " + message); }
    bool UseFrame() override {
        raise();
        return true;
    }
};

TEST(UsbLinkErrors, EveryErrorOfAFramesUseTakesTheLinkDownVisibly) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        const char* message;
    } const cases[] = {
        {"conversion", [] { throw EConvertError("'<' is not a valid integer value"); },
         "'<' is not a valid integer value"},
        {"table row", [] { throw std::out_of_range("record row out of range"); },
         "record row out of range"},
        {"allocation", [] { throw std::bad_alloc(); }, "Out of memory"},
        {"anything", [] { throw 47; }, "Unknown error"},
    };
    for (const Case& c : cases) {
        TRaisingHost host;
        host.raise = c.raise;
        TProgramState state;
        TReadout readout;
        TUsbLink link(host, state, readout);
        for (const Bytes& report : FrameReports(Frame()))
            link.TakeReport(nullptr, 0, report);
        EXPECT_NO_THROW(link.TakeReport(nullptr, 0, CableReport(0xF0, {}))) << c.name;
        EXPECT_EQ(host.calls, (std::vector<QString>{"release link", "stop reader",
                                                    QStringLiteral("failed ") + c.message}))
            << c.name;
    }
}

} // namespace
