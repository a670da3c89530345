#include "sim/virtual_clock.h"

#include <chrono>
#include <numeric>
#include <thread>

namespace talo::sim {

void VirtualClock::sleepMs(std::uint32_t ms) {
    pauses_.push_back(ms);
    now_ += std::uint64_t{ms} * 1000;
}

std::uint64_t VirtualClock::totalPausedMs() const {
    return std::accumulate(pauses_.begin(), pauses_.end(), std::uint64_t{0});
}

void passTime(Clock& clock, std::uint64_t micros, const std::function<void()>& service) {
    if (auto* virtualClock = dynamic_cast<VirtualClock*>(&clock)) {
        virtualClock->advanceMicros(micros);
        return;
    }
    // A real clock: the time has to pass for real, but must not show up as a program pause.
    constexpr std::uint64_t kServiceIntervalMicros = 10'000;
    const std::uint64_t end = clock.nowMicros() + micros;
    for (std::uint64_t now = clock.nowMicros(); now < end; now = clock.nowMicros()) {
        const std::uint64_t left = end - now;
        if (service && left > kServiceIntervalMicros) {
            std::this_thread::sleep_for(std::chrono::microseconds(kServiceIntervalMicros));
            service();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(left));
        }
    }
}

}  // namespace talo::sim
