#include "HidTestSupport.h"

#include <QEventLoop>
#include <QThread>

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::yieldCurrentThread();
    }
    return true;
}

bool WaitWithoutEvents(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        QThread::yieldCurrentThread();
    }
    return true;
}

void PumpPosted() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

TSimHidInterface CableInterface(std::shared_ptr<ISimDeviceModel> model, std::u16string product) {
    TSimHidInterface description;
    description.product = std::move(product);
    description.vendorId = 0x1A86;
    description.productId = 0xE008;
    description.inputReportLength = 9;
    description.outputReportLength = 9;
    description.featureReportLength = 10;
    description.model = std::move(model);
    return description;
}

void HidBusTest::TearDown() {
    claimed.clear();
    controller.reset();
}

THidDeviceController& HidBusTest::MakeController() {
    controller = std::make_unique<THidDeviceController>(&bus);
    return *controller;
}

void HidBusTest::RecordEvents() {
    controller->OnArrival = THidPlugEvent(this, &HidBusTest::RecordArrival);
    controller->OnRemoval = THidPlugEvent(this, &HidBusTest::RecordRemoval);
    controller->SetOnDeviceUnplug(THidPlugEvent(this, &HidBusTest::RecordUnplug));
    controller->SetOnDeviceChange(THidNotifyEvent(this, &HidBusTest::RecordChange));
}
