#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "device/clock.h"
#include "device/hid_platform.h"
#include "simulation.h"
#include "update/system_awake.h"
#include "update/update_journal.h"
#include "update/updater_context.h"

namespace talo::flash {

// What the tool runs against; main() fills it with the real streams, clocks, HID stack and
// history file, tests with string streams, virtual clocks, a temporary history and no HID
// stack.
struct Environment {
    Console console;
    Clock& clock;  // the main thread's: waiting and polling, and an update of one unit
    FirmwareImage image;
    // The system's HID stack, one instance per call (every thread gets its own); empty, or
    // returning null, on a build without one.
    std::function<std::unique_ptr<HidPlatform>()> systemHid;
    // Why the system's HID stack found no unit, if it knows; may be empty.
    std::function<std::string(HidPlatform&)> noUnitHint;
    // Pause between two looks for a unit with --wait.
    std::uint32_t waitPollMs = 500;
    // A clock of its own for each unit written beside others (its thread's pacing); empty:
    // every unit borrows `clock`, which must then be safe to use from several threads.
    std::function<std::unique_ptr<Clock>()> unitClock;
    // Where each write attempt is recorded; null: nowhere.
    UpdateJournal* journal = nullptr;
    // The history file that `history` reads.
    std::filesystem::path historyFile;
    // What keeps the system awake during a write, one per unit; empty or null: nothing.
    std::function<std::unique_ptr<SystemAwake>()> systemAwake;
    // The simulated HID stack of the last --simulate run, kept after it for inspection.
    std::unique_ptr<SimulatedBus> simulation;
};

// Runs one invocation (arguments without the program name) and returns the exit code.
int runTool(const std::vector<std::string>& arguments, Environment& environment);

}  // namespace talo::flash
