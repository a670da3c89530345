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
};

// The real calls on /dev/hidrawN.
class KernelHidrawOps final : public HidrawOps {
  public:
    int open(const std::string& devnode, int& error) override;
    void close(int fd) override;
    bool rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) override;
};

}  // namespace talo::linuxhid
