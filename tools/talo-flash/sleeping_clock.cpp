#include "sleeping_clock.h"

#include <chrono>
#include <thread>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace talo::flash {

SleepingClock::SleepingClock() {
#if defined(__linux__)
    // The default slack (50 us) lets the kernel add that much to every pause; the update has
    // 1,290 of them. A failure only leaves the default in place.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void SleepingClock::sleepMs(std::uint32_t ms) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(ms);
    while (steady_clock::now() < deadline) {
        std::this_thread::sleep_until(deadline);
    }
}

std::uint64_t SleepingClock::nowMicros() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace talo::flash
