// Runs `talo-flash --simulate=units:N update --all --yes` in process for N = 1, 2, 4 and 8 on
// the real clocks (one per unit, as the program uses them), after taking the floor of mandated
// pauses on a virtual clock. Prints wall time, its ratio to the floor and to one unit, and the
// CPU share per unit, as key=value lines.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "app.h"
#include "resources/firmware_image.h"
#include "sim/virtual_clock.h"
#include "system_platform.h"

namespace {

using talo::flash::Console;
using talo::flash::Environment;

int runAll(talo::Clock& clock, unsigned units, bool realUnitClocks) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Environment environment{
        .console = Console{out, err, in, false, false, false},
        .clock = clock,
        .image = talo::FirmwareImage{talo_firmware_image, talo_firmware_image_size},
        .systemHid = {},
        .noUnitHint = {},
        .waitPollMs = 500,
        .unitClock = {},
        .journal = nullptr,
        .historyFile = {},
        .systemAwake = {},
        .simulation = nullptr,
    };
    if (realUnitClocks) {
        environment.unitClock = talo::flash::makeSystemClock;
    }
    return talo::flash::runTool(
        {"update", "--all", "--yes", "--simulate=units:" + std::to_string(units)}, environment);
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main() {
    talo::sim::VirtualClock virtualClock;
    if (runAll(virtualClock, 1, false) != 0) {
        std::cerr << "the update on the virtual clock failed\n";
        return 1;
    }
    const double floorSeconds = static_cast<double>(virtualClock.totalPausedMs()) / 1000.0;
    std::printf("floor_s=%.3f\n", floorSeconds);

    const std::unique_ptr<talo::Clock> clock = talo::flash::makeSystemClock();
    double singleWall = 0;
    for (const unsigned units : {1u, 2u, 4u, 8u}) {
        const double cpuBefore = cpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        const int result = runAll(*clock, units, true);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        const double cpu = cpuSeconds() - cpuBefore;
        if (result != 0) {
            std::cerr << "the update of " << units << " units failed\n";
            return 1;
        }
        if (units == 1) {
            singleWall = wall;
        }
        std::printf(
            "units_%u_wall_s=%.3f\nunits_%u_wall_over_floor=%.5f\n"
            "units_%u_wall_over_one=%.5f\nunits_%u_cpu_share_per_unit_pct=%.3f\n",
            units, wall, units, wall / floorSeconds, units, wall / singleWall, units,
            100.0 * cpu / wall / units);
        std::fflush(stdout);
    }
    return 0;
}
