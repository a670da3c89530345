#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "device/clock.h"
#include "device/hid_platform.h"
#include "sim/simulated_unit.h"

namespace talo::sim {

// Identifies a device added to a SimHidPlatform; stays valid while the platform lives, also
// after the device was unplugged.
using DeviceId = std::size_t;

// An in-process HID stack: present devices in enumeration order (programming units, foreign
// HID devices, devices that refuse to be opened, devices whose attributes cannot be read),
// hot-plug with an optional listener, handle bookkeeping and the exchanges with simulated units.
// Paths have the Windows device-interface form, e.g.
//   \\?\hid#vid_1209&pid_0001#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}
// and are unique per device. Single-threaded like the program it serves.
class SimHidPlatform final : public HidPlatform {
  public:
    using Listener = std::function<void(bool arrived, const std::u16string& path)>;

    // `clock` is borrowed: it stamps the exchange log and takes the time of timeouts and
    // latencies (a VirtualClock is advanced, any other clock is waited on).
    explicit SimHidPlatform(Clock& clock);
    ~SimHidPlatform() override;

    // --- Devices. Each add*() plugs the device in at the end of the enumeration order and
    // calls the listener with arrived = true.
    DeviceId addUnit(SimulatedUnit unit);
    DeviceId addForeignDevice(std::uint16_t vendorId, std::uint16_t productId);
    DeviceId addUnopenableDevice(std::uint16_t vendorId, std::uint16_t productId);
    DeviceId addDeviceWithoutAttributes();

    // Removes the device from the list; its open handles stay counted, but every transfer on
    // them fails with kErrorDeviceNotConnected. Calls the listener with arrived = false.
    // No effect on a device that is not plugged in.
    void unplug(DeviceId id);
    // Plugs an unplugged device in again, at the end of the enumeration order, with its old
    // path and state (its pending answers are gone). No effect on a plugged-in device.
    void plug(DeviceId id);
    bool isPlugged(DeviceId id) const;

    // The unit of `id`; precondition: `id` was returned by addUnit().
    SimulatedUnit& unit(DeviceId id);
    const SimulatedUnit& unit(DeviceId id) const;
    const std::u16string& path(DeviceId id) const;
    std::size_t deviceCount() const { return devices_.size(); }

    void setListener(Listener listener) { listener_ = std::move(listener); }
    // On a real clock, called at least every 10 ms while a read waits out a unit's latency or
    // time limit (see passTime()).
    void setWaitService(std::function<void()> service) { waitService_ = std::move(service); }
    // While set, listInterfaces() returns false.
    void setListingFails(bool fails) { listingFails_ = fails; }

    // --- Claims. Claims through this platform's handles follow the UnitClaim rules; while
    // another program is said to write the device, every claim on it is refused.
    void setClaimedElsewhere(DeviceId id, bool claimed) {
        devices_.at(id).claimedElsewhere = claimed;
    }
    bool isClaimedElsewhere(DeviceId id) const { return devices_.at(id).claimedElsewhere; }
    // The claim held through `handle`, if any.
    std::optional<UnitClaim> claimOf(HidHandle handle) const;

    // --- Handle bookkeeping.
    std::uint32_t openCount(DeviceId id) const;  // successful open() calls
    std::uint32_t openAttempts(DeviceId id) const;
    std::uint32_t closeCount(DeviceId id) const;
    std::uint32_t openHandles(DeviceId id) const;  // opened and not yet closed
    std::uint32_t totalOpenHandles() const;
    std::uint32_t invalidCloseCount() const { return invalidCloses_; }  // unknown handles closed

    // --- HidPlatform
    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override;
    // Fails with kErrorInvalidParameter unless `length` is the unit's output report length,
    // with kErrorInvalidHandle on a handle that is not open or not a unit's.
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override;
    // Same length and handle rules with the input report length. Without a pending answer the
    // read waits `timeoutMs` on the clock and fails with kErrorTimeout.
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override;
    bool claim(HidHandle handle, UnitClaim kind) override;
    void releaseClaim(HidHandle handle) override;
    // The unit's serialNumber; false for other devices and units without one.
    bool serialNumber(HidHandle handle, std::u16string& serial) override;
    std::uint32_t lastError() const override { return lastError_; }

  private:
    enum class Kind { Unit, Foreign, Unopenable, NoAttributes };
    struct PendingAnswer {
        std::vector<std::uint8_t> bytes;
        std::uint8_t command = 0;
        bool readFails = false;
    };
    struct Device {
        Kind kind = Kind::Foreign;
        std::u16string path;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::unique_ptr<SimulatedUnit> unit;
        std::deque<PendingAnswer> pending;
        bool plugged = true;
        std::uint32_t opens = 0;
        std::uint32_t openAttempts = 0;
        std::uint32_t closes = 0;
        std::uint32_t openHandles = 0;
        bool claimedElsewhere = false;
        std::unordered_map<HidHandle, UnitClaim> claims;
    };

    DeviceId addDevice(Device device);
    DeviceId addPlainDevice(Kind kind, std::uint16_t vendorId, std::uint16_t productId);
    Device* deviceOf(HidHandle handle, DeviceId* id = nullptr);
    bool fail(std::uint32_t error);

    Clock& clock_;
    std::deque<Device> devices_;   // deque: a listener may add devices while one is in use
    std::vector<DeviceId> order_;  // plugged-in devices in enumeration order
    std::unordered_map<std::u16string, DeviceId> devicesByPath_;  // paths folded to lower case
    std::unordered_map<HidHandle, DeviceId> handles_;             // open handles
    HidHandle nextHandle_ = 0x1000;
    std::uint32_t lastError_ = 0;
    std::uint32_t invalidCloses_ = 0;
    bool listingFails_ = false;
    Listener listener_;
    std::function<void()> waitService_;
};

}  // namespace talo::sim
