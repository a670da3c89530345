#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talo::linuxhid {

// The system calls that need a real hidraw node, kept apart so that the layer above runs on
// any file descriptor. Report transfers are not here: they work on every fd as they are.
class HidrawOps {
  public:
    virtual ~HidrawOps() = default;

    // Opens `devnode` for reading and writing. Returns the descriptor, or -1 with `error` set
    // to the errno of the failed open.
    virtual int open(const std::string& devnode, int& error) = 0;

    virtual void close(int fd) = 0;

    // Vendor and product of the device (HIDIOCGRAWINFO).
    virtual bool rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) = 0;

    // The device's report descriptor (HIDIOCGRDESCSIZE, HIDIOCGRDESC).
    virtual bool reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) = 0;

    // A non-blocking advisory lock on the device node through this descriptor (flock with
    // LOCK_SH or LOCK_EX, and LOCK_NB). Returns false when another open file holds a conflicting
    // lock. The lock ends with unlock() or when the descriptor is closed.
    virtual bool lock(int fd, bool exclusive) = 0;
    virtual void unlock(int fd) = 0;
};

// The real calls on /dev/hidrawN.
class KernelHidrawOps final : public HidrawOps {
  public:
    int open(const std::string& devnode, int& error) override;
    void close(int fd) override;
    bool rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) override;
    bool lock(int fd, bool exclusive) override;
    void unlock(int fd) override;
};

}  // namespace talo::linuxhid
