#include "device/clock.h"

#include <chrono>
#include <thread>

namespace talo {

void SteadyClock::sleepMs(std::uint32_t ms) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(ms);
    // Sleep most of the way, then finish on the clock: system sleeps may return early or
    // overshoot by a scheduler tick, and the pacing must never be shorter than asked.
    constexpr auto kSpinWindow = std::chrono::microseconds(500);
    if (ms > 1) {
        std::this_thread::sleep_until(deadline - kSpinWindow);
    }
    while (steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

std::uint64_t SteadyClock::nowMicros() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace talo
