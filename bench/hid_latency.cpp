// HID transport figures on the simulated bus:
//  - latency from an input report becoming readable to its handler running on the event thread
//    (p50, p99 and the worst case over 100,000 reports; goal p99 under 200 microseconds);
//  - the cost of one rescan (DeviceChange) with 50 plugged interfaces.

#include "bench/BenchSize.h"
#include "hid/HidControllerClass.h"
#include "sim/SimHidBus.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Input reports carrying the moment they became readable.
class TTimedModel : public ISimDeviceModel {
public:
    void PushNow() {
        const int64_t now = Clock::now().time_since_epoch().count();
        QByteArray report(9, '\0');
        std::memcpy(report.data() + 1, &now, sizeof(now));
        {
            std::lock_guard lock(mutex_);
            reports_.push_back(report);
        }
        ready_.notify_one();
    }
    std::optional<QByteArray> WaitInputReport(std::chrono::milliseconds timeout) override {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, timeout, [this] { return !reports_.empty(); }))
            return std::nullopt;
        QByteArray report = reports_.front();
        reports_.pop_front();
        return report;
    }
    bool OutputReport(QByteArrayView) override { return true; }
    bool FeatureReport(QByteArrayView) override { return true; }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<QByteArray> reports_;
};

TSimHidInterface Interface(std::shared_ptr<ISimDeviceModel> model) {
    TSimHidInterface description;
    description.product = u"USB to Serial";
    description.vendorId = 0x1A86;
    description.productId = 0xE008;
    description.inputReportLength = 9;
    description.outputReportLength = 9;
    description.featureReportLength = 10;
    description.model = std::move(model);
    return description;
}

struct TLatencyRun {
    std::vector<double> micros;
    std::size_t target = 0;
    TTimedModel* model = nullptr;
    QEventLoop* loop = nullptr;

    void OnData(THidDevice*, uint8_t, const uint8_t* data, uint16_t size) {
        if (size < 8)
            return;
        int64_t pushed = 0;
        std::memcpy(&pushed, data, sizeof(pushed));
        const int64_t now = Clock::now().time_since_epoch().count();
        micros.push_back(
            std::chrono::duration<double, std::micro>(Clock::duration(now - pushed)).count());
        if (micros.size() < target)
            model->PushNow();
        else
            loop->quit();
    }
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

void MeasureLatency(std::size_t reports) {
    TSimHidBus bus;
    bus.SetAnnounceOnPlug(false);
    auto model = std::make_shared<TTimedModel>();
    bus.Plug(Interface(model));
    THidDeviceController controller(&bus);
    THidDevice* device = nullptr;
    controller.ClaimDeviceAt(device, 0);

    QEventLoop loop;
    TLatencyRun run;
    run.target = reports;
    run.model = model.get();
    run.loop = &loop;
    run.micros.reserve(reports);
    device->SetDataHandler(THidDataEvent(&run, &TLatencyRun::OnData));
    const auto started = Clock::now();
    QTimer::singleShot(0, [&] { model->PushNow(); });
    loop.exec();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    delete device;

    std::printf("report latency over %zu reports: p50 %.1f us, p99 %.1f us, max %.1f us "
                "(goal p99 < 200 us); %.0f reports/s\n",
                run.micros.size(), Percentile(run.micros, 0.50), Percentile(run.micros, 0.99),
                *std::max_element(run.micros.begin(), run.micros.end()),
                static_cast<double>(run.micros.size()) / seconds);
}

void MeasureRescan(int interfaces, int rounds) {
    TSimHidBus bus;
    bus.SetAnnounceOnPlug(false);
    for (int i = 0; i < interfaces; ++i)
        bus.Plug(Interface(nullptr));
    THidDeviceController controller(&bus);
    controller.DeviceChange(); // the first, unconditional change
    const auto started = Clock::now();
    for (int round = 0; round < rounds; ++round)
        controller.DeviceChange();
    const double micros =
        std::chrono::duration<double, std::micro>(Clock::now() - started).count() / rounds;
    std::printf("rescan with %d plugged interfaces: %.1f us per DeviceChange (%zu listed)\n",
                interfaces, micros, controller.Devices().size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    MeasureLatency(BenchSize(100000, 100));
    MeasureRescan(50, BenchSize(200, 2));
    return 0;
}
