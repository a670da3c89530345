#include "update_monitor.h"

#include <gtest/gtest.h>

#include "sim/virtual_clock.h"

namespace talo::flash {
namespace {

constexpr std::size_t kBlocks = 1284;
constexpr std::size_t kImageBytes = 61'616;

class UpdateMonitorTest : public ::testing::Test {
  protected:
    void SetUp() override { monitor.onPhase(UpdatePhase::Lock); }

    sim::VirtualClock clock;
    UpdateMonitor monitor{clock, nullptr, kBlocks};
};

TEST_F(UpdateMonitorTest, EstimateStartsAtTheFloorOfMandatedPausesAndCountsDown) {
    EXPECT_EQ(monitor.remainingMs(), 30'760u);
    monitor.onPhase(UpdatePhase::Erase);
    clock.sleepMs(2'000);
    EXPECT_EQ(monitor.remainingMs(), 28'760u);
}

TEST_F(UpdateMonitorTest, BlockEstimateFollowsTheMeasuredBlockTime) {
    monitor.onPhase(UpdatePhase::Write);
    for (std::size_t k = 1; k <= 100; ++k) {
        clock.advanceMicros(5'000);  // each exchange takes 5 ms on top of its 20 ms pause
        monitor.onBlockWritten(48 * k, kImageBytes);
        clock.sleepMs(20);
    }
    EXPECT_EQ(monitor.remainingMs(), (kBlocks - 100) * 25u);
}

TEST_F(UpdateMonitorTest, OutcomeFollowsTheLastPhase) {
    EXPECT_TRUE(monitor.started());
    EXPECT_FALSE(monitor.succeeded());
    monitor.onPhase(UpdatePhase::Failed);
    EXPECT_TRUE(monitor.failed());
}

}  // namespace
}  // namespace talo::flash
