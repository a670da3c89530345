#include <gtest/gtest.h>

#include <ctime>

#include "device/clock.h"

namespace talo {
namespace {

// Only the lower bound of a pause is checked: a loaded machine may stretch it, but the unit's
// fixed pacing must never be cut short. A pause sleeps rather than spins.
TEST(SteadyClockTest, PausesAreNeverShorterThanAskedAndLeaveTheProcessorFree) {
    SteadyClock clock;
    [[maybe_unused]] const std::clock_t processorBefore = std::clock();
    for (const std::uint32_t ms : {0U, 1U, 2U, 5U, 40U}) {
        const std::uint64_t before = clock.nowMicros();
        clock.sleepMs(ms);
        EXPECT_GE(clock.nowMicros() - before, std::uint64_t{ms} * 1000U) << ms << " ms";
    }
#ifndef _WIN32  // the Windows C runtime's clock() counts wall time, not processor time
    EXPECT_LT(std::clock() - processorBefore, CLOCKS_PER_SEC / 50);  // 20 ms of 48 ms paused
#endif
}

}  // namespace
}  // namespace talo
