#include "platform/win32/waitable_timer_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace talo::win32 {
namespace {

TEST(WaitableTimerClock, PausesAreNeverShorterAndRarelyMuchLongerThanAsked) {
    WaitableTimerClock clock;
    std::vector<std::uint64_t> overshoots;
    for (int i = 0; i < 15; ++i) {
        const std::uint64_t start = clock.nowMicros();
        clock.sleepMs(20);
        const std::uint64_t elapsed = clock.nowMicros() - start;
        ASSERT_GE(elapsed, 20000u);
        overshoots.push_back(elapsed - 20000);
    }
    // The median tolerates the odd pre-emption on a busy machine; a timer with the default
    // 15.6 ms tick would overshoot by about 11 ms every time.
    std::nth_element(overshoots.begin(), overshoots.begin() + 7, overshoots.end());
    EXPECT_LE(overshoots[7], 1500u);
}

}  // namespace
}  // namespace talo::win32
