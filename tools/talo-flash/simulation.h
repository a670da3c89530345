#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/clock.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"

namespace talo::flash {

// One simulated unit of a plan.
struct UnitPlan {
    std::optional<sim::Situation> situation = sim::Situation::Ready;  // none: no unit
    std::vector<sim::Fault> faults;
    std::uint32_t unplugAtBlock = 0;
    std::uint32_t arrivalListing = 0;  // 0: present from the start
    bool leavesWhenWritten = false;
};

// What --simulate=PLAN puts on the simulated USB bus. PLAN is a comma-separated list of
// pieces; a piece ending in @K applies to unit K only (from 1), otherwise to every unit:
//   units:N              N units (default 1), serial numbers SIM0001, SIM0002, ...
//   ready, downgrade, bootloader, no-controller, incompatible, no-unit   the situation
//   lock-fails, unprotect-fails, erase-fails, address-fails   the unit refuses that command
//   block-fails:N        the unit refuses WriteBlock number N (from 1)
//   unplug-at:N          the unit is unplugged while WriteBlock number N is sent
//   arrives-after:N      the unit is plugged in when the device list is taken the N-th time
//   leaves-when-written  the unit is unplugged at the first look at the list after its write
//   foreign:N            N other HID devices are listed before the units (no @K)
struct SimulationPlan {
    std::vector<UnitPlan> units{1};
    std::size_t foreignDevices = 0;
};

// Returns an empty text on success, else what is wrong with `text` ("" means one ready unit).
std::string parseSimulation(std::string_view text, SimulationPlan& plan);

// Error code the simulated unit answers a refused command with (status 0xFF).
inline constexpr std::uint32_t kSimulatedUnitError = 0x0E01;

// The simulated HID stack of a plan. Safe to use from several threads: every call holds one
// lock, and unitView() gives each thread a HID stack of its own that shows one unit. Arrivals
// and departures happen only at the looks of this object's own listInterfaces().
class SimulatedBus final : public HidPlatform {
  public:
    explicit SimulatedBus(const SimulationPlan& plan);

    // Inspection, once no other thread uses the bus.
    sim::SimHidPlatform& platform() { return platform_; }
    const sim::SimHidPlatform& platform() const { return platform_; }
    // The plan's first unit (tests of one unit), and the unit of plan entry `index`.
    const sim::SimulatedUnit& unit(std::size_t index = 0) const;
    // Units plugged in now; safe while other threads use the bus.
    std::size_t pluggedUnits() const;

    // A HID stack for one thread that lists only the device at `path` (when it is present)
    // and does not count as a look at the list.
    std::unique_ptr<HidPlatform> unitView(const std::u16string& path);

    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override;
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override;
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override;
    bool claim(HidHandle handle, UnitClaim kind) override;
    void releaseClaim(HidHandle handle) override;
    bool serialNumber(HidHandle handle, std::u16string& serial) override;
    std::uint32_t lastError() const override;

  private:
    friend class SimulatedUnitView;
    struct PlannedUnit {
        sim::DeviceId id = 0;
        std::size_t planIndex = 0;
        std::uint32_t arrivalListing = 0;
        bool leavesWhenWritten = false;
        bool arrived = false;
        bool left = false;
    };
    // Writes `out` or reads into `in`; `error` gets the transfer's error code under the lock.
    bool transfer(HidHandle handle, const std::uint8_t* out, std::uint8_t* in, std::size_t length,
                  std::uint32_t timeoutMs, std::uint32_t& error);
    bool listPresent(std::vector<std::u16string>& paths);

    SteadyClock clock_;  // times only the simulated latencies, which plans never set
    mutable std::mutex mutex_;
    sim::SimHidPlatform platform_;
    std::vector<PlannedUnit> units_;
    std::uint32_t listings_ = 0;
    std::uint32_t lastError_ = 0;
};

}  // namespace talo::flash
