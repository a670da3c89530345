#include "ticking_clock.h"

#include <algorithm>

namespace talo::flash {

void TickingClock::sleepMs(std::uint32_t ms) {
    if (ms <= sliceMs_ || sliceMs_ == 0) {
        inner_.sleepMs(ms);
        return;
    }
    const std::uint64_t deadline = inner_.nowMicros() + std::uint64_t{ms} * 1000;
    for (std::uint64_t now = inner_.nowMicros(); now < deadline; now = inner_.nowMicros()) {
        // Round the rest up, so the pause never ends before its deadline.
        const std::uint64_t restMs = (deadline - now + 999) / 1000;
        inner_.sleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(restMs, sliceMs_)));
        if (tick_) {
            tick_();
        }
    }
}

}  // namespace talo::flash
