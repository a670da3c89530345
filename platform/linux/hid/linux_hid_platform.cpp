#include "platform/linux/hid/linux_hid_platform.h"

#include <cerrno>

#include "device/device_session.h"
#include "device/session.h"
#include "device/utf8_text.h"
#include "platform/linux/hid/report_transfer.h"
#include "platform/linux/hid/udev_hidraw_lister.h"

namespace talo {

LinuxHidPlatform::LinuxHidPlatform()
    : ownedLister_(std::make_unique<linuxhid::UdevHidrawLister>()),
      ownedOps_(std::make_unique<linuxhid::KernelHidrawOps>()),
      lister_(ownedLister_.get()),
      ops_(ownedOps_.get()) {}

LinuxHidPlatform::LinuxHidPlatform(linuxhid::HidrawLister& lister, linuxhid::HidrawOps& ops)
    : lister_(&lister), ops_(&ops) {}

LinuxHidPlatform::~LinuxHidPlatform() {
    for (const auto& [handle, device] : open_) {
        ops_->close(static_cast<int>(handle));
    }
}

bool LinuxHidPlatform::listInterfaces(std::vector<std::u16string>& paths) {
    paths.clear();
    sawUnitWithoutPermission_ = false;
    if (!lister_->list(listed_)) {
        listed_.clear();
        return false;
    }
    for (const linuxhid::HidrawNode& node : listed_) {
        std::u16string path;
        if (utf8ToUtf16(node.devnode, path)) {
            paths.push_back(std::move(path));
        }
    }
    return true;
}

HidHandle LinuxHidPlatform::open(const std::u16string& path) {
    std::string devnode;
    if (!utf16ToUtf8(path, devnode) || devnode.find('\0') != std::string::npos) {
        return kInvalidHidHandle;
    }
    int error = 0;
    const int fd = ops_->open(devnode, error);
    if (fd < 0) {
        noteRefusedOpen(devnode, error);
        return kInvalidHidHandle;
    }
    OpenDevice device;
    device.devnode = devnode;
    std::vector<std::uint8_t> descriptor;
    device.layoutKnown =
        ops_->reportDescriptor(fd, descriptor) &&
        linuxhid::parseReportDescriptor(descriptor.data(), descriptor.size(), device.layout);
    const auto handle = static_cast<HidHandle>(fd);
    open_[handle] = device;
    return handle;
}

void LinuxHidPlatform::close(HidHandle handle) {
    if (open_.erase(handle) != 0) {
        ops_->close(static_cast<int>(handle));
    }
}

bool LinuxHidPlatform::attributes(HidHandle handle, std::uint16_t& vendorId,
                                  std::uint16_t& productId) {
    return find(handle) != nullptr && ops_->rawInfo(static_cast<int>(handle), vendorId, productId);
}

bool LinuxHidPlatform::reportLengths(HidHandle handle, std::uint32_t& inputLength,
                                     std::uint32_t& outputLength) {
    const OpenDevice* device = find(handle);
    if (device == nullptr || !device->layoutKnown) {
        return false;
    }
    inputLength = device->layout.inputReportLength;
    outputLength = device->layout.outputReportLength;
    return true;
}

bool LinuxHidPlatform::writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) {
    if (find(handle) == nullptr) {
        lastError_ = EBADF;
        return false;
    }
    const int fd = static_cast<int>(handle);
    // Each request gets its own answer: whatever is queued now is a late answer to an earlier
    // request whose read gave up, and must not be taken for the answer to this one.
    linuxhid::discardQueuedReports(fd);
    lastError_ = static_cast<std::uint32_t>(linuxhid::writeReportTo(fd, data, length));
    return lastError_ == 0;
}

bool LinuxHidPlatform::readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                                  std::uint32_t timeoutMs) {
    const OpenDevice* device = find(handle);
    if (device == nullptr) {
        lastError_ = EBADF;
        return false;
    }
    // Without a descriptor the report id cannot be known to be missing; pass bytes unchanged.
    const bool numbered = !device->layoutKnown || device->layout.numberedReports;
    lastError_ = static_cast<std::uint32_t>(linuxhid::readReportFrom(
        static_cast<int>(handle), numbered, data, length, timeoutMs, waitService_));
    return lastError_ == 0;
}

LinuxHidPlatform::OpenDevice* LinuxHidPlatform::find(HidHandle handle) {
    const auto found = open_.find(handle);
    return found == open_.end() ? nullptr : &found->second;
}

bool LinuxHidPlatform::claim(HidHandle handle, UnitClaim kind) {
    return find(handle) != nullptr &&
           ops_->lock(static_cast<int>(handle), kind == UnitClaim::Exclusive);
}

void LinuxHidPlatform::releaseClaim(HidHandle handle) {
    if (find(handle) != nullptr) {
        ops_->unlock(static_cast<int>(handle));
    }
}

bool LinuxHidPlatform::serialNumber(HidHandle handle, std::u16string& serial) {
    const OpenDevice* device = find(handle);
    if (device == nullptr) {
        return false;
    }
    for (const linuxhid::HidrawNode& node : listed_) {
        if (node.devnode == device->devnode && !node.serial.empty()) {
            return utf8ToUtf16(node.serial, serial);
        }
    }
    return false;
}

bool LinuxHidPlatform::isUnit(const linuxhid::HidrawNode& node) {
    return node.idKnown && isProgrammingUnit(node.vendorId, node.productId);
}

void LinuxHidPlatform::noteRefusedOpen(const std::string& devnode, int error) {
    if (error != EACCES && error != EPERM) {
        return;
    }
    for (const linuxhid::HidrawNode& node : listed_) {
        if (node.devnode == devnode && isUnit(node)) {
            sawUnitWithoutPermission_ = true;
        }
    }
}

}  // namespace talo
