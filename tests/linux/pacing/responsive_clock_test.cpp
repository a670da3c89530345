#include "platform/linux/pacing/responsive_clock.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <chrono>
#include <thread>

#include "platform/linux/pacing/timer_slack.h"

namespace talo {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The service runs at least every 10 ms of a pause but not in its last 2 ms, and a slow one does
// not cut the pause short. A loaded machine may stretch a sleep, so the lower bounds of the call
// counts leave room, while the upper bounds are exact.
TEST(ResponsiveClockTest, PausesAreServicedAndNeverShorterThanAsked) {
    const struct {
        std::uint32_t ms;
        int serviceMs;
        int minCalls;
        int maxCalls;
    } cases[] = {{0, 0, 0, 0}, {2, 0, 0, 0}, {25, 0, 1, 3}, {60, 0, 3, 6}, {20, 7, 1, 3}};
    for (const auto& c : cases) {
        ResponsiveClock clock;
        int calls = 0;
        clock.setService([&] {
            ++calls;
            std::this_thread::sleep_for(milliseconds(c.serviceMs));
        });
        const auto start = steady_clock::now();

        clock.sleepMs(c.ms);

        EXPECT_GE(steady_clock::now() - start, milliseconds(c.ms)) << c.ms << " ms";
        EXPECT_TRUE(calls >= c.minCalls && calls <= c.maxCalls) << calls << " in " << c.ms << " ms";
    }
}

TEST(TimerSlackTest, FineSlackIsOneNanosecond) {
    requestFineTimerSlack();
    EXPECT_EQ(::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), 1);
}

}  // namespace
}  // namespace talo
