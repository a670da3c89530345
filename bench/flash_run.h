#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app.h"
#include "resources/firmware_image.h"
#include "system_platform.h"

namespace talo::bench {

// Runs talo-flash in process with the carried image, its output discarded and no history kept.
// Each unit paces on the system's clock when `realUnitClocks`, else on `clock` too.
inline int runFlash(Clock& clock, const std::vector<std::string>& arguments,
                    bool realUnitClocks = false) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    flash::Environment environment{
        .console = flash::Console{out, err, in, false, false, false},
        .clock = clock,
        .image = FirmwareImage{talo_firmware_image, talo_firmware_image_size},
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
        environment.unitClock = flash::makeSystemClock;
    }
    return flash::runTool(arguments, environment);
}

}  // namespace talo::bench
