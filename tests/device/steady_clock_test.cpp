#include <gtest/gtest.h>

#include <chrono>

#include "device/clock.h"

namespace talo {
namespace {

// Only the lower bound is checked: a loaded machine may stretch a pause, but the unit's fixed
// pacing must never be cut short.
TEST(SteadyClockTest, PausesAreNeverShorterThanAsked) {
    SteadyClock clock;
    for (const std::uint32_t ms : {0U, 1U, 2U, 3U, 5U}) {
        const auto start = std::chrono::steady_clock::now();
        const std::uint64_t before = clock.nowMicros();
        clock.sleepMs(ms);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(ms)) << ms << " ms";
        EXPECT_GE(clock.nowMicros() - before, std::uint64_t{ms} * 1000U) << ms << " ms";
    }
}

}  // namespace
}  // namespace talo
