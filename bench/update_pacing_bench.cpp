// Runs `talo-flash update --simulate` in process twice: once on a virtual clock to take the
// floor of mandated pauses, once on the real clock to take wall and CPU time. Prints the
// figures and their ratios as key=value lines.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <sstream>

#include "app.h"
#include "resources/firmware_image.h"
#include "sim/virtual_clock.h"
#include "system_platform.h"

namespace {

using talo::flash::Console;
using talo::flash::Environment;

int runUpdate(talo::Clock& clock) {
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
    return talo::flash::runTool({"update", "--simulate"}, environment);
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main() {
    talo::sim::VirtualClock virtualClock;
    if (runUpdate(virtualClock) != 0) {
        std::cerr << "the update on the virtual clock failed\n";
        return 1;
    }
    const double floorSeconds = static_cast<double>(virtualClock.totalPausedMs()) / 1000.0;

    // The clock the programs pace with on this system.
    const std::unique_ptr<talo::Clock> clock = talo::flash::makeSystemClock();
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    const int result = runUpdate(*clock);
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;
    if (result != 0) {
        std::cerr << "the update on the real clock failed\n";
        return 1;
    }
    std::printf(
        "floor_s=%.3f\nwall_s=%.3f\nwall_over_floor=%.5f\ncpu_s=%.3f\ncpu_share_pct=%."
        "3f\n",
        floorSeconds, wallSeconds, wallSeconds / floorSeconds, cpu, 100.0 * cpu / wallSeconds);
    return 0;
}
