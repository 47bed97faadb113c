#include "link/LinkWatchdog.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkWatchdog, ChecksEveryThirdTick) {
    TProgramState state;
    std::vector<bool> checks;
    for (int tick = 0; tick < 7; ++tick)
        checks.push_back(StepWatchdog(state).linkCheck);
    EXPECT_EQ(checks, (std::vector<bool>{false, false, true, false, false, true, false}));
    EXPECT_EQ(state.LinkTicks, 1);
}

struct SilenceCase {
    int32_t emptyReports;
    bool giveUp;
    int32_t emptyAfter;
};

class WatchdogSilenceTest : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(WatchdogSilenceTest, GivesUpAfter3000ReportsWithoutPayload) {
    const SilenceCase& c = GetParam();
    TProgramState state;
    state.EmptyReports = c.emptyReports;
    EXPECT_FALSE(StepWatchdog(state).giveUp);
    EXPECT_FALSE(StepWatchdog(state).giveUp);
    const TWatchdogStep check = StepWatchdog(state);
    EXPECT_TRUE(check.linkCheck);
    EXPECT_EQ(check.giveUp, c.giveUp);
    EXPECT_EQ(state.EmptyReports, c.emptyAfter);
    EXPECT_EQ(state.LinkTicks, 0);
    // Once given up, the next check does not repeat it.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(StepWatchdog(state).giveUp);
}

INSTANTIATE_TEST_SUITE_P(Counts, WatchdogSilenceTest,
                         ::testing::Values(SilenceCase{0, false, 0}, SilenceCase{2999, false, 2999},
                                           SilenceCase{3000, true, 0}, SilenceCase{4500, true, 0}));

TEST(LinkWatchdog, DecodedFramesPostponeTheCheck) {
    TProgramState state;
    state.EmptyReports = 3000;
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(StepWatchdog(state).linkCheck);
        state.LinkTicks = 0; // a decoded frame
    }
    EXPECT_EQ(state.EmptyReports, 3000);
}

TEST(LinkWatchdog, TicksPastTwoStillReachTheCheck) {
    TProgramState state;
    state.LinkTicks = 7;
    EXPECT_TRUE(StepWatchdog(state).linkCheck);
}

} // namespace
