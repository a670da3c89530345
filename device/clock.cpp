#include "device/clock.h"

#include <thread>

namespace talo {

void SteadyClock::sleepMs(std::uint32_t ms) {
    sleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

std::uint64_t SteadyClock::nowMicros() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void sleepUntil(std::chrono::steady_clock::time_point deadline) {
    using std::chrono::steady_clock;
    // Sleep until just before the deadline (a sleep's wake-up latency is about 100 us), then
    // wait out the rest on the clock: a pause is never shorter than asked and overshoots by a
    // few microseconds, while the short waiting stretch keeps the processor load low.
    constexpr auto kWakeEarly = std::chrono::microseconds(150);
    const auto wake = deadline - kWakeEarly;
    while (steady_clock::now() < wake) {
        std::this_thread::sleep_until(wake);  // again after an early wake-up
    }
    while (steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

}  // namespace talo
