#include "platform/win32/waitable_timer_clock.h"

#include <gtest/gtest.h>

#include "tests/win32/counting_wait.h"

namespace talo::win32 {
namespace {

// Only the lower bound is a test: the unit's fixed pacing must never be cut short. How much
// longer a pause takes depends on the machine's load and is not asserted here.
TEST(WaitableTimerClock, PausesAreNeverShorterThanAsked) {
    WaitableTimerClock clock;
    for (const std::uint32_t ms : {0U, 1U, 2U, 20U}) {
        const std::uint64_t start = clock.nowMicros();
        clock.sleepMs(ms);
        EXPECT_GE(clock.nowMicros() - start, std::uint64_t{ms} * 1000U) << ms << " ms";
    }
}

TEST(WaitableTimerClock, PausesWaitThroughTheGivenWait) {
    testing::CountingWait wait;
    WaitableTimerClock clock(wait);
    clock.sleepMs(20);
    EXPECT_EQ(wait.waits, 1);
}

}  // namespace
}  // namespace talo::win32
