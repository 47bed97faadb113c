// The unplug storm: while the window reads from the simulated cable (real reader thread, simulated
// bus), the cable is unplugged and plugged back many times at chosen moments: between deliveries,
// in the middle of a frame, while a message box opened inside a delivery is up, and while the
// watchdog's box is up; another interface comes and goes meanwhile. Nothing may hang, no record
// taken before an unplug may go, and one press of Connect reads again afterwards.
//
// RX47_STORM_CYCLES sets the number of cycles (default 100, sized for CI with sanitizers).

#include "support/WaitUntil.h"
#include "support_gui/WindowFixture.h"

#include "hid/HidControllerClass.h"
#include "link/LinkWatchdog.h"
#include "records/RecordTable.h"
#include "sim/SimCableOnBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QToolButton>

#include <cstdlib>
#include <random>

namespace {

using namespace std::chrono_literals;

int StormCycles() {
    const char* text = std::getenv("RX47_STORM_CYCLES");
    const int cycles = text ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : 100;
}

void RunEvents(int turns) {
    for (int i = 0; i < turns; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

enum class TUnplugMoment { BetweenDeliveries, MidFrame, InDeliveryBox, InWatchdogBox, Count };

class UnplugStormTest : public WindowTest {
protected:
    void SetUp() override {
        cableId = bus->Plug(SimCableInterface(cable));
        TFCOMMEnvironment environment;
        environment.hidPlatform = bus.get();
        MakeWindow(environment);
        window->limitessClick(); // the storm is about losing records, not about the limit
    }
    void TearDown() override {
        window.reset(); // the window's devices use the bus
        bus.reset();
    }

    bool Listed(const QString& caption) const {
        for (int i = 0; i < window->DevListBox->count(); ++i)
            if (window->DevListBox->item(i)->text() == caption)
                return true;
        return false;
    }
    bool CableListed() const { return Listed("USB to Serial"); }
    bool Reading() const { return window->CurrentDevice && window->CurrentDevice->HasReader(); }
    int64_t Records() const { return window->cds1->Count(); }

    // Connected and at least one more record than before.
    void ConnectAndRead() {
        ASSERT_TRUE(
            WaitUntil([&] { return CableListed() && window->DevListBox->currentRow() >= 0; }));
        if (window->USBCon->isChecked())
            window->USBCon->click(); // a link left up by a rebuild that did not see the unplug
        const int64_t before = Records();
        cable->SetFrameBudget(-1);
        window->USBCon->click();
        ASSERT_TRUE(window->USBCon->isChecked());
        ASSERT_TRUE(WaitUntil([&] { return Records() > before; }));
    }

    // Unplugs the cable and, when asked, waits inside (a message box's own event loop) for the
    // removal to be seen.
    void Unplug(bool insideBox) {
        bus->Unplug(cableId);
        cableId = 0;
        if (insideBox)
            WaitUntil(
                [&] { return ++boxTurns > 0 && History().contains("Removal of USB to Serial"); },
                5s);
    }
    QStringList History() const {
        QStringList lines;
        for (int i = 0; i < window->HistoryListBox->count(); ++i)
            lines << window->HistoryListBox->item(i)->text();
        return lines;
    }

    void UnplugAt(TUnplugMoment moment, std::mt19937& random) {
        switch (moment) {
        case TUnplugMoment::BetweenDeliveries:
            RunEvents(int(random() % 20));
            Unplug(false);
            break;
        case TUnplugMoment::MidFrame: {
            cable->SetFrameBudget(0);
            ASSERT_TRUE(WaitUntil([&] { return cable->ReportsWaiting() == 0; }));
            RunEvents(3);
            // The first of the three reports of a frame: the frame stays open.
            cable->InjectReports({QByteArray::fromHex("F702343533323334")});
            ASSERT_TRUE(WaitUntil([&] { return window->State.FramePending; }));
            Unplug(false);
            break;
        }
        case TUnplugMoment::InDeliveryBox: {
            // With no line selected, the request after the next frame shows its box inside the
            // delivery; the cable goes while the box is up.
            bool unplugged = false;
            dialogs.onMessage = [&](const QString&) {
                if (!unplugged && window->UsbDeliveryDepth > 0) {
                    unplugged = true;
                    Unplug(true);
                }
            };
            window->DevListBox->setCurrentRow(-1);
            ASSERT_TRUE(WaitUntil([&] { return unplugged; }));
            break;
        }
        case TUnplugMoment::InWatchdogBox: {
            bool unplugged = false;
            dialogs.onMessage = [&](const QString&) {
                if (!unplugged) {
                    unplugged = true;
                    Unplug(true);
                }
            };
            window->State.EmptyReports = kSilentLoggerReports;
            window->State.LinkTicks = 0;
            for (int i = 0; i < 3 && !unplugged; ++i)
                window->ConTimerTimer();
            ASSERT_TRUE(unplugged);
            break;
        }
        case TUnplugMoment::Count:
            break;
        }
        dialogs.onMessage = {};
    }

    // Another interface coming or going, now and then.
    void ToggleKeyboard() {
        if (keyboardId != 0) {
            bus->Unplug(keyboardId);
            keyboardId = 0;
            return;
        }
        TSimHidInterface keyboard;
        keyboard.product = u"Keyboard";
        keyboard.inputReportLength = 9;
        keyboardId = bus->Plug(keyboard);
    }
    // Toggles the keyboard while connected: the rebuild takes the link visibly down. The logger
    // is let finish its frame first: a reconnect does not restart a logger whose answer is still
    // half in the cable (that takes the watchdog and a second press), which is not what this
    // checks.
    void ToggleKeyboardWhileConnected() {
        cable->SetFrameBudget(0);
        ASSERT_TRUE(
            WaitUntil([&] { return cable->ReportsWaiting() == 0 && !window->State.FramePending; }));
        ToggleKeyboard();
        ASSERT_TRUE(WaitUntil([&] { return Listed("Keyboard") == (keyboardId != 0); }));
        EXPECT_FALSE(window->USBCon->isChecked());
        EXPECT_FALSE(Reading());
        ASSERT_NO_FATAL_FAILURE(CheckRecordsKept());
        ASSERT_NO_FATAL_FAILURE(ConnectAndRead());
    }

    // The records seen so far must still be there, in order; the new ones join the list.
    void CheckRecordsKept() {
        const int64_t count = Records();
        ASSERT_GE(count, int64_t(seen.size()));
        if (!seen.empty()) {
            ASSERT_EQ(window->cds1->At(int64_t(seen.size()) - 1), seen.back());
        }
        for (int64_t row = int64_t(seen.size()); row < count; ++row)
            seen.push_back(window->cds1->At(row));
    }

    std::unique_ptr<TSimHidBus> bus = std::make_unique<TSimHidBus>();
    std::shared_ptr<TSimSerialCable> cable = std::make_shared<TSimSerialCable>();
    uint32_t cableId = 0;
    uint32_t keyboardId = 0;
    int boxTurns = 0;
    std::vector<TRecord> seen;
};

TEST_F(UnplugStormTest, EveryRecordSurvivesAndOneConnectReadsAgain) {
    std::mt19937 random(4711);
    const int cycles = StormCycles();
    int moments[int(TUnplugMoment::Count)] = {};
    for (int cycle = 0; cycle < cycles; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_NO_FATAL_FAILURE(ConnectAndRead());
        if (random() % 4 == 0) {
            ASSERT_NO_FATAL_FAILURE(ToggleKeyboardWhileConnected());
        }
        const auto moment = TUnplugMoment(random() % int(TUnplugMoment::Count));
        ++moments[int(moment)];
        ASSERT_NO_FATAL_FAILURE(UnplugAt(moment, random));
        ASSERT_TRUE(WaitUntil([&] { return !CableListed(); }));
        ASSERT_TRUE(WaitUntil([&] { return window->CurrentDevice == nullptr || !Reading(); }));
        EXPECT_FALSE(window->USBCon->isChecked());
        ASSERT_NO_FATAL_FAILURE(CheckRecordsKept());
        // Plugged in again, the cable starts afresh: nothing of the old answer is left in it.
        cable = std::make_shared<TSimSerialCable>(TSimCablePacing::Instant(), uint32_t(cycle));
        cableId = bus->Plug(SimCableInterface(cable));
    }
    for (const int count : moments)
        EXPECT_GT(count, 0);

    // One press of Connect reads again.
    ASSERT_TRUE(WaitUntil([&] { return CableListed() && window->DevListBox->currentRow() >= 0; }));
    ASSERT_FALSE(window->USBCon->isChecked());
    const int64_t before = Records();
    window->USBCon->click();
    EXPECT_TRUE(WaitUntil([&] { return Records() > before + 10; }));
    EXPECT_TRUE(Reading());
    ASSERT_NO_FATAL_FAILURE(CheckRecordsKept());
    for (int64_t row = 0; row < int64_t(seen.size()); ++row)
        ASSERT_EQ(window->cds1->At(row), seen[size_t(row)]) << row;
    RecordProperty("cycles", cycles);
    RecordProperty("records", int(seen.size()));
    std::printf("storm: %d cycles, %lld records kept\n", cycles,
                static_cast<long long>(seen.size()));
}

} // namespace
