#include "sim/SimRx47Logger.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char kDigitBase = 0x30;
constexpr char kBlankDigit = 0x3A;
constexpr char kMissingDigit = 0x3B;

// Tens, units and tenths of a value in tenths; a leading zero tens digit is blank on the LCD.
void PutDigits(QByteArray& frame, int at, int tenths, bool missing) {
    if (missing) {
        frame[at] = kBlankDigit;
        frame[at + 1] = kMissingDigit;
        frame[at + 2] = kBlankDigit;
        return;
    }
    const int value = std::abs(tenths);
    const int tens = value / 100 % 10;
    frame[at] = tens == 0 ? kBlankDigit : char(kDigitBase + tens);
    frame[at + 1] = char(kDigitBase + value / 10 % 10);
    frame[at + 2] = char(kDigitBase + value % 10);
}

// Magnus formula, in tenths of a degree.
int DewPointTenths(int temperatureTenths, int humidityTenths) {
    const double t = temperatureTenths / 10.0;
    const double rh = std::max(1, humidityTenths) / 10.0;
    const double b = 17.62, c = 243.12;
    const double gamma = std::log(rh / 100.0) + b * t / (c + t);
    return int(std::lround(10.0 * c * gamma / (b - gamma)));
}

} // namespace

TSimRx47Logger::TSimRx47Logger(uint32_t seed) : random_(seed) {}

std::optional<QByteArray> TSimRx47Logger::Hear(uint8_t byte, bool canAnswer) {
    if (!powered_)
        return std::nullopt;
    if (byte == kLoggerStartCommand)
        started_ = true;
    else if (byte != kLoggerNextCommand || !started_)
        return std::nullopt;
    if (!canAnswer)
        return std::nullopt;
    if (replaying_) {
        if (replayNext_ >= replay_.size())
            return std::nullopt;
        return replay_[replayNext_++];
    }
    return NextFrame();
}

void TSimRx47Logger::SetPowered(bool on) {
    powered_ = on;
    if (!on)
        started_ = false;
}

void TSimRx47Logger::InjectFault(TSimFrameFault fault, int count) {
    for (int i = 0; i < count; ++i)
        faults_.push_back(fault);
}

void TSimRx47Logger::SetReplay(TReplayFrames frames) {
    replaying_ = true;
    replay_ = std::move(frames);
    replayNext_ = 0;
}

bool TSimRx47Logger::Chance(int oneIn) {
    return std::uniform_int_distribution<int>(0, oneIn - 1)(random_) == 0;
}

TSimReading TSimRx47Logger::NextReading() {
    // A random walk pulled back towards a comfortable room climate.
    std::uniform_int_distribution<int> step(-4, 4);
    current_.humidityTenths = std::clamp(
        current_.humidityTenths + step(random_) + (500 - current_.humidityTenths) / 60, 50, 990);
    current_.temperatureTenths = std::clamp(current_.temperatureTenths + step(random_) / 2 +
                                                (225 - current_.temperatureTenths) / 80,
                                            -150, 450);

    TSimReading reading = current_;
    reading.humidityMissing = Chance(45);
    reading.temperatureMissing = !reading.humidityMissing && Chance(70);
    if (dewFramesLeft_ == 0 && Chance(90))
        dewFramesLeft_ = std::uniform_int_distribution<int>(4, 12)(random_);
    if (dewFramesLeft_ > 0) {
        --dewFramesLeft_;
        reading.dewPoint = true;
        reading.temperatureTenths =
            DewPointTenths(current_.temperatureTenths, current_.humidityTenths);
    }
    reading.minutes = clock_ / 60 % 60;
    reading.seconds = clock_ % 60;
    ++clock_;
    return reading;
}

QByteArray TSimRx47Logger::EncodeFrame(const TSimReading& reading) {
    QByteArray frame(kLoggerFrameSize, kDigitBase);
    frame[0] = 0x02;
    PutDigits(frame, 1, reading.humidityTenths, reading.humidityMissing);
    PutDigits(frame, 4, reading.temperatureTenths, reading.temperatureMissing);
    frame[7] = reading.temperatureTenths < 0 && !reading.temperatureMissing ? 0x31 : 0x30;
    frame[13] = reading.dewPoint ? 0x31 : 0x30;
    frame[15] = char(reading.minutes);
    frame[16] = char(reading.seconds);
    frame[17] = 0x0D;
    frame[18] = 0x0A;
    return frame;
}

QByteArray TSimRx47Logger::NextFrame() {
    QByteArray frame = EncodeFrame(NextReading());
    if (!faults_.empty()) {
        switch (faults_.front()) {
        case TSimFrameFault::NoEndMarker:
            frame[18] = 0x0D;
            break;
        case TSimFrameFault::Undecodable:
            frame[13] = 0x3C;
            break;
        }
        faults_.erase(faults_.begin());
    }
    return frame;
}
