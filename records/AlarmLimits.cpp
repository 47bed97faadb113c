#include "records/AlarmLimits.h"

void TAlarmMonitor::SetLimits(const TAlarmLimits& limits) {
    limits_ = limits;
    armed_ = !LatestOutOfRange();
}

bool TAlarmMonitor::Reading(std::optional<double> value) {
    if (!value)
        return false;
    latest_ = value;
    const bool outside = limits_.Outside(*value);
    const bool fire = outside && armed_;
    armed_ = !outside;
    return fire;
}

void TAlarmMonitor::Reset() {
    latest_.reset();
    armed_ = true;
}
