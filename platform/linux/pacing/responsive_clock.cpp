#include "platform/linux/pacing/responsive_clock.h"

#include <algorithm>
#include <thread>

namespace talo {

void ResponsiveClock::sleepMs(std::uint32_t ms) {
    using std::chrono::steady_clock;
    const steady_clock::time_point deadline = steady_clock::now() + std::chrono::milliseconds(ms);
    if (service_) {
        for (;;) {
            if (deadline - steady_clock::now() <= kServiceMargin) {
                break;
            }
            service_();
            const steady_clock::duration left = deadline - steady_clock::now();
            if (left <= kServiceMargin) {
                break;
            }
            std::this_thread::sleep_for(
                std::min<steady_clock::duration>(kServiceInterval, left - kServiceMargin));
        }
    }
    sleepUntil(deadline);
}

}  // namespace talo
