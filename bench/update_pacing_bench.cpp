// Runs `talo-flash update --simulate` in process twice: once on a virtual clock to take the
// floor of mandated pauses, once on the real clock to take wall and CPU time. Prints the
// figures and their ratios as key=value lines.
#include <cstdio>
#include <iostream>
#include <memory>

#include "bench/flash_run.h"
#include "bench/measured.h"
#include "sim/virtual_clock.h"

int main() {
    talo::sim::VirtualClock virtualClock;
    if (talo::bench::runFlash(virtualClock, {"update", "--simulate"}) != 0) {
        std::cerr << "the update on the virtual clock failed\n";
        return 1;
    }
    const double floorSeconds = static_cast<double>(virtualClock.totalPausedMs()) / 1000.0;

    // The clock the programs pace with on this system.
    const std::unique_ptr<talo::Clock> clock = talo::flash::makeSystemClock();
    int result = 0;
    const talo::bench::Measured run = talo::bench::measure([&] {
        result = talo::bench::runFlash(*clock, {"update", "--simulate"});
    });
    if (result != 0) {
        std::cerr << "the update on the real clock failed\n";
        return 1;
    }
    std::printf("floor_s=%.3f\nwall_s=%.3f\nwall_over_floor=%.5f\ncpu_s=%.3f\ncpu_share_pct=%.3f\n",
                floorSeconds, run.wallSeconds, run.wallSeconds / floorSeconds, run.cpuSeconds,
                100.0 * run.cpuSeconds / run.wallSeconds);
    return 0;
}
