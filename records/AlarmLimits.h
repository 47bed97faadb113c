#pragma once
// Alarm limits on the plotted quantity and the state that decides when an alarm fires.
//
// A value is out of range when it lies above a switched-on maximum or below a switched-on
// minimum; a value equal to a limit is in range. The monitor follows the latest reading: it
// fires once for the first reading out of range after one in range (or after start or a reset),
// and stays quiet while readings stay out. A reading without a value (the logger showed dashes)
// changes nothing. Changing the limits re-judges the latest reading without firing: the user
// who moves a limit sees the result on the readout and the grid at once.

#include <optional>

struct TAlarmLimits {
    bool maxOn = false;
    double max = 0;
    bool minOn = false;
    double min = 0;

    bool AnyOn() const { return maxOn || minOn; }
    bool Outside(double value) const { return (maxOn && value > max) || (minOn && value < min); }
    bool operator==(const TAlarmLimits&) const = default;
};

class TAlarmMonitor {
public:
    const TAlarmLimits& Limits() const { return limits_; }
    void SetLimits(const TAlarmLimits& limits);

    // A new reading; true when it is the one that should bring a notification.
    bool Reading(std::optional<double> value);
    // Whether the latest reading with a value lies out of range.
    bool LatestOutOfRange() const { return latest_ && limits_.Outside(*latest_); }
    std::optional<double> Latest() const { return latest_; }
    // Forgets the latest reading (the quantity changed or the records were cleared).
    void Reset();

private:
    TAlarmLimits limits_;
    std::optional<double> latest_;
    bool armed_ = true; // the next reading out of range fires
};
