#include "platform/linux/pacing/responsive_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace talo {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The service runs at least every 10 ms of a pause but not in its last 2 ms; a loaded machine
// may stretch a sleep, so the lower bounds leave room, while the upper bounds are exact.
TEST(ResponsiveClockTest, PausesAreServicedAndNeverShorterThanAsked) {
    struct Case {
        std::uint32_t ms;
        int minCalls;
        int maxCalls;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{2, 0, 0}, Case{25, 1, 3}, Case{60, 3, 6}}) {
        ResponsiveClock clock;
        int calls = 0;
        clock.setService([&calls] { ++calls; });
        const auto start = steady_clock::now();

        clock.sleepMs(c.ms);

        EXPECT_GE(steady_clock::now() - start, milliseconds(c.ms)) << c.ms << " ms";
        EXPECT_GE(calls, c.minCalls) << c.ms << " ms";
        EXPECT_LE(calls, c.maxCalls) << c.ms << " ms";
    }
}

TEST(ResponsiveClockTest, SlowServiceDoesNotCutThePauseShort) {
    ResponsiveClock clock;
    clock.setService([] { std::this_thread::sleep_for(milliseconds(7)); });
    const auto start = steady_clock::now();

    clock.sleepMs(20);

    EXPECT_GE(steady_clock::now() - start, milliseconds(20));
}

}  // namespace
}  // namespace talo
