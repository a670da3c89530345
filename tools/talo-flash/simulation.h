#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/clock.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"

namespace talo::flash {

// What --simulate=SPEC puts on the simulated USB bus. SPEC is a comma-separated list: at most
// one situation (ready, downgrade, bootloader, no-controller, incompatible, no-unit; default
// ready) and any number of faults and extras:
//   lock-fails, unprotect-fails, erase-fails, address-fails   the unit refuses that command
//   block-fails:N        the unit refuses WriteBlock number N (from 1)
//   unplug-at:N          the unit is unplugged while WriteBlock number N is sent
//   foreign:N            N other HID devices are listed before the unit
struct SimulationPlan {
    std::optional<sim::Situation> situation = sim::Situation::Ready;  // none: no unit
    std::vector<sim::Fault> faults;
    std::uint32_t unplugAtBlock = 0;
    std::size_t foreignDevices = 0;
};

// Error code the simulated unit answers a refused command with (status 0xFF).
inline constexpr std::uint32_t kSimulatedUnitError = 0x0E01;

// Returns an empty text on success, else what is wrong with `spec` ("" means ready).
std::string parseSimulation(std::string_view spec, SimulationPlan& plan);

// The simulated HID stack for `plan`; `clock` is borrowed by the platform.
std::unique_ptr<sim::SimHidPlatform> buildSimulation(const SimulationPlan& plan, Clock& clock);

}  // namespace talo::flash
