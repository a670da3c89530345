#include <gtest/gtest.h>

#include <sstream>

#include "progress_bar.h"
#include "sim/virtual_clock.h"
#include "ticking_clock.h"
#include "update_monitor.h"

namespace talo::flash {
namespace {

TEST(ProgressBarTest, RendersPhaseBarPercentAndTimeLeftRoundedUp) {
    EXPECT_EQ(ProgressBar::render("write", 99, 12'001),
              "write   [#############################.]  99%  0:13 left");
    EXPECT_EQ(ProgressBar::render("restore", 130, 3'600'000),
              "restore [##############################] 100%  60:00 left");
}

// A line is drawn only when it changes, padded over a longer one; a bar that drew ends its line.
TEST(ProgressBarTest, RedrawsChangedLinesInPlaceAndEndsItsLine) {
    std::ostringstream out;
    std::ostringstream unused;
    {
        ProgressBar bar(out);
        ProgressBar never(unused);
        bar.show("restore", 100, 600'000);
        bar.show("restore", 130, 599'001);
        bar.show("write", 100, 0);
    }
    const std::string longer = ProgressBar::render("restore", 100, 600'000);
    EXPECT_EQ(out.str(), "\r" + longer + "\r" + ProgressBar::render("write", 100, 0).append(" \n"));
    EXPECT_EQ(unused.str(), "");
}

// A tick that takes time (drawing) shortens the next slice; only the last tick is late.
TEST(TickingClockTest, SlicesLongPausesWithoutMovingTheirEnd) {
    sim::VirtualClock inner;
    TickingClock clock{inner, 200, [&inner] { inner.advanceMicros(30'000); }};
    clock.sleepMs(200);  // not sliced
    clock.sleepMs(1'000);
    EXPECT_EQ(inner.pauses(), (std::vector<std::uint32_t>{200, 200, 200, 200, 200, 80}));
    EXPECT_EQ(inner.nowMicros(), 1'230'000u);  // and a tick after the last slice
}

TEST(UpdateMonitorTest, TimeLeftCountsDownThePausesThenFollowsTheBlockTime) {
    sim::VirtualClock clock;
    std::ostringstream bar;
    UpdateMonitor monitor{clock, &bar, 1284};
    EXPECT_EQ(monitor.remainingMs(), 0u);
    monitor.onPhase(UpdatePhase::Lock);
    EXPECT_EQ(monitor.remainingMs(), 30'760u);
    monitor.onPhase(UpdatePhase::Erase);
    clock.sleepMs(2'000);
    EXPECT_EQ(monitor.remainingMs(), 28'760u);
    clock.sleepMs(9'000);
    EXPECT_EQ(monitor.remainingMs(), 1284 * 20u);  // the preparation is spent
    monitor.tick();                                // and yet no block written: not 100 %
    EXPECT_TRUE(bar.str().ends_with("]  99%  0:26 left"));
    monitor.onPhase(UpdatePhase::Write);
    for (std::size_t k = 1; k <= 100; ++k) {
        clock.advanceMicros(5'000);  // each exchange takes 5 ms on top of its 20 ms pause
        monitor.onBlockWritten(48 * k, 61'616);
        clock.sleepMs(20);
    }
    EXPECT_EQ(monitor.remainingMs(), (1284 - 100) * 25u);
    monitor.onPhase(UpdatePhase::Restore);
    EXPECT_EQ(monitor.remainingMs(), 0u);
}

}  // namespace
}  // namespace talo::flash
