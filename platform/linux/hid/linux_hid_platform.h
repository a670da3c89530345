#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "device/hid_platform.h"
#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/hidraw_ops.h"
#include "platform/linux/hid/report_descriptor.h"

namespace talo {

// HidPlatform on hidraw. Paths are the device nodes ("/dev/hidraw3"), the same text the
// hot-plug monitor reports. Handles are the open file descriptors. Report framing follows the
// HidPlatform contract on every device: byte 0 is the report id, 0 for a device without
// numbered reports, and the report lengths count that byte (see report_transfer.h).
class LinuxHidPlatform final : public HidPlatform {
  public:
    // libudev for the list, the kernel's hidraw calls for the devices, the maker's vendor id.
    LinuxHidPlatform();

    // Borrows `lister` and `ops`, which must outlive the platform.
    LinuxHidPlatform(linuxhid::HidrawLister& lister, linuxhid::HidrawOps& ops);

    ~LinuxHidPlatform() override;
    LinuxHidPlatform(const LinuxHidPlatform&) = delete;
    LinuxHidPlatform& operator=(const LinuxHidPlatform&) = delete;

    bool listInterfaces(std::vector<std::u16string>& paths) override;
    HidHandle open(const std::u16string& path) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override;
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override;
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override;
    // A claim is an flock on the hidraw node: it reaches every program on the machine.
    bool claim(HidHandle handle, UnitClaim kind) override;
    void releaseClaim(HidHandle handle) override;
    // The serial number the list named for the device's node (HID_UNIQ, or the USB device's).
    bool serialNumber(HidHandle handle, std::u16string& serial) override;
    std::uint32_t lastError() const override { return lastError_; }

    // True when, since the last listInterfaces(), opening a programming unit (the maker's
    // vendor id, product 1 or 2, as the parent's HID_ID names it) failed with EACCES or EPERM:
    // the unit is there but the user lacks the rights the udev rule grants.
    bool sawUnitWithoutPermission() const { return sawUnitWithoutPermission_; }

    // Called at least every 10 ms while a read waits for a unit's answer (up to its time
    // limit), so a window on the same thread stays serviced; empty: the read just waits.
    void setWaitService(std::function<void()> service) { waitService_ = std::move(service); }

  private:
    struct OpenDevice {
        bool layoutKnown = false;  // false when the report descriptor could not be read
        linuxhid::ReportLayout layout;
        std::string devnode;
    };

    OpenDevice* find(HidHandle handle);
    static bool isUnit(const linuxhid::HidrawNode& node);
    void noteRefusedOpen(const std::string& devnode, int error);

    std::unique_ptr<linuxhid::HidrawLister> ownedLister_;
    std::unique_ptr<linuxhid::HidrawOps> ownedOps_;
    linuxhid::HidrawLister* lister_;
    linuxhid::HidrawOps* ops_;
    std::vector<linuxhid::HidrawNode> listed_;
    std::map<HidHandle, OpenDevice> open_;
    bool sawUnitWithoutPermission_ = false;
    std::uint32_t lastError_ = 0;
    std::function<void()> waitService_;
};

}  // namespace talo
