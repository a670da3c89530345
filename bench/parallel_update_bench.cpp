// Runs `talo-flash --simulate=units:N update --all --yes` in process for N = 1, 2, 4 and 8 on
// the real clocks (one per unit, as the program uses them), after taking the floor of mandated
// pauses on a virtual clock. Prints wall time, its ratio to the floor and to one unit, and the
// CPU share per unit, as key=value lines.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bench/flash_run.h"
#include "bench/measured.h"
#include "sim/virtual_clock.h"

namespace {

std::vector<std::string> updateAll(unsigned units) {
    return {"update", "--all", "--yes", "--simulate=units:" + std::to_string(units)};
}

}  // namespace

int main() {
    talo::sim::VirtualClock virtualClock;
    if (talo::bench::runFlash(virtualClock, updateAll(1)) != 0) {
        std::cerr << "the update on the virtual clock failed\n";
        return 1;
    }
    const double floorSeconds = static_cast<double>(virtualClock.totalPausedMs()) / 1000.0;
    std::printf("floor_s=%.3f\n", floorSeconds);

    const std::unique_ptr<talo::Clock> clock = talo::flash::makeSystemClock();
    double singleWall = 0;
    for (const unsigned units : {1u, 2u, 4u, 8u}) {
        int result = 0;
        const talo::bench::Measured run = talo::bench::measure(
            [&] { result = talo::bench::runFlash(*clock, updateAll(units), true); });
        if (result != 0) {
            std::cerr << "the update of " << units << " units failed\n";
            return 1;
        }
        if (units == 1) {
            singleWall = run.wallSeconds;
        }
        const double wall = run.wallSeconds;
        std::printf(
            "units_%u_wall_s=%.3f\nunits_%u_wall_over_floor=%.5f\n"
            "units_%u_wall_over_one=%.5f\nunits_%u_cpu_share_per_unit_pct=%.3f\n",
            units, wall, units, wall / floorSeconds, units, wall / singleWall, units,
            100.0 * run.cpuSeconds / wall / units);
        std::fflush(stdout);
    }
    return 0;
}
