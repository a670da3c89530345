#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/hid/hidraw_ops.h"

namespace talo::linuxhid {

int KernelHidrawOps::open(const std::string& devnode, int& error) {
    int fd = -1;
    do {
        fd = ::open(devnode.c_str(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    error = fd < 0 ? errno : 0;
    return fd;
}

void KernelHidrawOps::close(int fd) {
    ::close(fd);
}

bool KernelHidrawOps::rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) {
    hidraw_devinfo info{};
    if (::ioctl(fd, HIDIOCGRAWINFO, &info) < 0) {
        return false;
    }
    // The kernel declares both ids as signed 16-bit fields; the bits are the USB ids.
    vendorId = static_cast<std::uint16_t>(info.vendor);
    productId = static_cast<std::uint16_t>(info.product);
    return true;
}

bool KernelHidrawOps::reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return false;
    }
    hidraw_report_descriptor raw{};
    raw.size = static_cast<std::uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &raw) < 0) {
        return false;
    }
    descriptor.assign(raw.value, raw.value + raw.size);
    return true;
}

bool KernelHidrawOps::lock(int fd, bool exclusive) {
    const int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result < 0 && errno == EINTR);
    return result == 0;
}

void KernelHidrawOps::unlock(int fd) {
    ::flock(fd, LOCK_UN);
}

}  // namespace talo::linuxhid
