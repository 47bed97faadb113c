#pragma once
// A simulated RX47 logger: what it sends back on its serial line for the commands it hears.
// It starts answering at the command 90 (0x5A) and then answers every command 2 with one frame of
// 19 bytes. Its readings drift plausibly, its clock advances one second per reading, and now and
// then a reading is missing or the logger shows the dew point. Everything is deterministic for a
// given seed. Not thread-safe: the simulated cable owns it and serialises the calls.
//
// Frame layout (bytes numbered from 1; digit bytes are ASCII, so their low digit is the value;
// 0x3A is a blank digit, 0x3B in a units position a missing reading):
//   1      0x02
//   2-4    humidity tens, units, tenths
//   5-7    temperature tens, units, tenths
//   8      temperature sign: 0x31 negative, 0x30 positive
//   9-13   0x30
//   14     0x30 degrees, 0x31 dew point
//   15     0x30
//   16-17  the logger's clock: minutes, seconds (whole bytes)
//   18-19  CR LF

#include "sim/ReplayFrames.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

struct TSimReading {
    int humidityTenths = 453;    // 0 … 999
    int temperatureTenths = 234; // -999 … 999
    bool humidityMissing = false;
    bool temperatureMissing = false;
    bool dewPoint = false; // the temperature is the dew point
    int minutes = 0, seconds = 0;
};

enum class TSimFrameFault {
    NoEndMarker, // bytes 18-19 are CR CR
    Undecodable, // byte 14 carries the low digit C, which the program cannot convert
};

inline constexpr uint8_t kLoggerStartCommand = 0x5A;
inline constexpr uint8_t kLoggerNextCommand = 0x02;
inline constexpr int kLoggerFrameSize = 19;

class TSimRx47Logger {
public:
    explicit TSimRx47Logger(uint32_t seed = 47);

    // A byte heard on the serial line; the frame it answers with, if any. With canAnswer false
    // (still busy sending, or told to stop answering) the command is heard but not answered.
    std::optional<QByteArray> Hear(uint8_t byte, bool canAnswer = true);

    // A logger switched off hears nothing; switched on again it waits for the command 90.
    void SetPowered(bool on);
    bool Powered() const { return powered_; }
    bool Started() const { return started_; }

    // The next `count` frames carry the fault.
    void InjectFault(TSimFrameFault fault, int count = 1);
    // Answers come from these frames, in order; at the end of the list the logger falls silent
    // (it keeps hearing commands but answers none).
    void SetReplay(TReplayFrames frames);
    bool ReplayFinished() const { return replaying_ && replayNext_ >= replay_.size(); }

    // The next generated reading and its frame (also used when no command is involved).
    TSimReading NextReading();
    static QByteArray EncodeFrame(const TSimReading& reading);

private:
    QByteArray NextFrame();
    bool Chance(int oneIn);

    std::mt19937 random_;
    bool powered_ = true;
    bool started_ = false;
    TSimReading current_;
    int clock_ = 0; // seconds
    int dewFramesLeft_ = 0;
    std::vector<TSimFrameFault> faults_;
    bool replaying_ = false;
    TReplayFrames replay_;
    size_t replayNext_ = 0;
};
