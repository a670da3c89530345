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

// What --simulate=PLAN puts on the simulated USB bus. PLAN is a comma-separated list: at most
// one situation (ready, downgrade, bootloader, no-controller, incompatible, no-unit; default
// ready) and any number of faults and extras:
//   lock-fails, unprotect-fails, erase-fails, address-fails   the unit refuses that command
//   block-fails:N        the unit refuses WriteBlock number N (from 1)
//   unplug-at:N          the unit is unplugged while WriteBlock number N is sent
//   foreign:N            N other HID devices are listed before the unit
//   arrives-after:N      the unit is plugged in when the device list is taken the N-th time
struct SimulationPlan {
    std::optional<sim::Situation> situation = sim::Situation::Ready;  // none: no unit
    std::vector<sim::Fault> faults;
    std::uint32_t unplugAtBlock = 0;
    std::size_t foreignDevices = 0;
    std::uint32_t arrivalListing = 0;  // 0: present from the start
};

// The simulated HID stack of a plan, with the unit's late arrival. Passes every call to the
// SimHidPlatform, which stays reachable for inspection.
class SimulatedBus final : public HidPlatform {
  public:
    SimulatedBus(Clock& clock, std::uint32_t arrivalListing);

    sim::SimHidPlatform& platform() { return platform_; }
    const sim::SimHidPlatform& platform() const { return platform_; }
    // The unit, when the plan has one.
    const sim::SimulatedUnit& unit() const { return platform_.unit(*unit_); }
    void setUnit(sim::DeviceId id);

    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override { return platform_.open(path); }
    void close(HidHandle handle) override { platform_.close(handle); }
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override {
        return platform_.attributes(handle, vendorId, productId);
    }
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override {
        return platform_.reportLengths(handle, inputLength, outputLength);
    }
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override {
        return platform_.writeReport(handle, data, length);
    }
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override {
        return platform_.readReport(handle, data, length, timeoutMs);
    }
    bool claim(HidHandle handle, UnitClaim kind) override { return platform_.claim(handle, kind); }
    void releaseClaim(HidHandle handle) override { platform_.releaseClaim(handle); }
    std::uint32_t lastError() const override { return platform_.lastError(); }

  private:
    sim::SimHidPlatform platform_;
    std::optional<sim::DeviceId> unit_;
    std::uint32_t arrivalListing_;
    std::uint32_t listings_ = 0;
};

// Error code the simulated unit answers a refused command with (status 0xFF).
inline constexpr std::uint32_t kSimulatedUnitError = 0x0E01;

// Returns an empty text on success, else what is wrong with `text` ("" means ready).
std::string parseSimulation(std::string_view text, SimulationPlan& plan);

// The simulated HID stack for `plan`; `clock` is borrowed by the platform.
std::unique_ptr<SimulatedBus> buildSimulation(const SimulationPlan& plan, Clock& clock);

}  // namespace talo::flash
