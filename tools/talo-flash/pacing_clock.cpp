#include "pacing_clock.h"

#include <chrono>
#include <thread>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace talo::flash {
namespace {

// A little more than a sleep's usual wake-up latency with minimal timer slack (about 100 us
// on the machines measured): the sleep ends just before the deadline, the wait is brief.
constexpr auto kWakeEarly = std::chrono::microseconds(150);

}  // namespace

PacingClock::PacingClock() {
#if defined(__linux__)
    // The default slack (50 us) lets the kernel add that much to every one of the update's
    // 1,290 pauses. A failure leaves the default in place.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void PacingClock::sleepMs(std::uint32_t ms) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(ms);
    const auto wake = deadline - kWakeEarly;
    while (steady_clock::now() < wake) {
        std::this_thread::sleep_until(wake);  // again after an early wake-up
    }
    while (steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

std::uint64_t PacingClock::nowMicros() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace talo::flash
