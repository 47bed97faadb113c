// When an alarm fires: limits, equal values, unticked boxes, limits moved while out of range.

#include "records/AlarmLimits.h"

#include <gtest/gtest.h>

namespace {

TEST(AlarmLimits, OutsideOnlyBeyondASwitchedOnLimit) {
    const TAlarmLimits both{true, 60, true, 30};
    const TAlarmLimits maxOnly{true, 60, false, 30};
    const TAlarmLimits none{false, 60, false, 30};
    const struct {
        TAlarmLimits limits;
        double value;
        bool outside;
    } cases[] = {
        {both, 60.0, false}, // equal to a limit is in range
        {both, 60.1, true},  {both, 30.0, false},  {both, 29.9, true},
        {both, 45, false},   {maxOnly, 10, false}, // the unticked minimum does not count
        {maxOnly, 61, true}, {none, 1000, false},  {none, -1000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.limits.Outside(c.value), c.outside) << c.value;
}

TEST(AlarmMonitor, FiresOnceOnEachWayOut) {
    TAlarmMonitor monitor;
    monitor.SetLimits({true, 60, false, 0});
    // value, fires, out of range afterwards
    const struct {
        std::optional<double> value;
        bool fires, outside;
    } steps[] = {
        {50, false, false}, {61, true, true},
        {62, false, true},  {std::nullopt, false, true}, // no reading: nothing changes
        {63, false, true},  {60, false, false},          // back on the limit: in range again
        {70, true, true},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(monitor.Reading(s.value), s.fires) << s.value.value_or(-1);
        EXPECT_EQ(monitor.LatestOutOfRange(), s.outside) << s.value.value_or(-1);
    }
}

TEST(AlarmMonitor, FirstReadingOutOfRangeAfterStartFires) {
    TAlarmMonitor monitor;
    monitor.SetLimits({false, 0, true, 20});
    EXPECT_TRUE(monitor.Reading(10));
    monitor.Reset();
    EXPECT_FALSE(monitor.LatestOutOfRange());
    EXPECT_TRUE(monitor.Reading(10));
}

TEST(AlarmMonitor, LimitChangedWhileOutOfRange) {
    TAlarmMonitor monitor;
    monitor.SetLimits({true, 60, false, 0});
    EXPECT_TRUE(monitor.Reading(65));

    // Raised above the latest reading: in range at once, and the next way out fires again.
    monitor.SetLimits({true, 70, false, 0});
    EXPECT_FALSE(monitor.LatestOutOfRange());
    EXPECT_TRUE(monitor.Reading(71));

    // Lowered under it again: out of range at once, but silently; further readings out stay
    // quiet until one comes back in.
    monitor.SetLimits({true, 50, false, 0});
    EXPECT_TRUE(monitor.LatestOutOfRange());
    EXPECT_FALSE(monitor.Reading(72));
    EXPECT_FALSE(monitor.Reading(40));
    EXPECT_TRUE(monitor.Reading(55));

    // Unticking the box ends the alarm.
    monitor.SetLimits({false, 50, false, 0});
    EXPECT_FALSE(monitor.LatestOutOfRange());
    EXPECT_FALSE(monitor.Reading(99));
}

} // namespace
