#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "device/clock.h"
#include "device/hid_platform.h"
#include "simulation.h"
#include "update/updater_context.h"

namespace talo::flash {

// What the tool runs against; main() fills it with the real streams, clock and HID stack,
// tests with string streams, a virtual clock and no HID stack.
struct Environment {
    Console console;
    Clock& clock;
    FirmwareImage image;
    // The system's HID stack; empty, or returning null, on a build without one.
    std::function<std::unique_ptr<HidPlatform>()> systemHid;
    // Why the system's HID stack found no unit, if it knows; may be empty.
    std::function<std::string(HidPlatform&)> noUnitHint;
    // Pause between two looks for a unit with --wait.
    std::uint32_t waitPollMs = 500;
    // The simulated HID stack of the last --simulate run, kept after it for inspection.
    std::unique_ptr<SimulatedBus> simulation;
};

// Runs one invocation (arguments without the program name) and returns the exit code.
int runTool(const std::vector<std::string>& arguments, Environment& environment);

}  // namespace talo::flash
