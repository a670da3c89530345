#include "ticking_clock.h"

#include <gtest/gtest.h>

#include "sim/virtual_clock.h"

namespace talo::flash {
namespace {

class TickingClockTest : public ::testing::Test {
  protected:
    void SetUp() override { ticks = 0; }

    sim::VirtualClock inner;
    int ticks = 0;
    TickingClock clock{inner, 200, [this] { ++ticks; }};
};

TEST_F(TickingClockTest, LongPauseIsSlicedWithoutChangingItsLength) {
    clock.sleepMs(4'010);
    EXPECT_EQ(inner.totalPausedMs(), 4'010u);
    EXPECT_EQ(inner.pauses().size(), 21u);
    EXPECT_EQ(inner.pauses().back(), 10u);
    EXPECT_EQ(ticks, 21);
}

TEST_F(TickingClockTest, ShortPausePassesThroughUntouched) {
    clock.sleepMs(20);
    EXPECT_EQ(inner.pauses(), (std::vector<std::uint32_t>{20}));
    EXPECT_EQ(ticks, 0);
}

TEST_F(TickingClockTest, TimeSpentElsewhereShortensTheRemainingSlices) {
    // The tick itself takes time (drawing); the pause still ends at its deadline.
    TickingClock slow{inner, 200, [this] { inner.advanceMicros(30'000); }};
    const std::uint64_t start = inner.nowMicros();
    slow.sleepMs(1'000);
    EXPECT_EQ(inner.nowMicros() - start, 1'000'000u + 30'000u);  // only the last tick is late
}

}  // namespace
}  // namespace talo::flash
