#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "device/clock.h"
#include "device/hid_platform.h"
#include "sim/sim_hid_platform.h"
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
    // Pause between two looks for a unit with --wait.
    std::uint32_t waitPollMs = 500;
    // The simulated HID stack of the last --simulate run, kept after it for inspection.
    std::unique_ptr<sim::SimHidPlatform> simulation;
};

// Runs one invocation (arguments without the program name) and returns the exit code.
int runTool(const std::vector<std::string>& arguments, Environment& environment);

}  // namespace talo::flash
