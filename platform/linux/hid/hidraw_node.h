#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talo::linuxhid {

// One hidraw interface as the enumeration sees it, before it is opened.
struct HidrawNode {
    std::string name;      // kernel name, "hidraw3"
    std::string devnode;   // device node, "/dev/hidraw3": the path handed out and opened
    bool idKnown = false;  // false when the parent hid device has no readable HID_ID
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string serial;  // USB serial number; empty when the device reports none
};

// Reads vendor and product from a hid device's HID_ID property, bus:vendor:product with the three
// numbers in hex ("0003:00001209:00000001"). Returns false when it is malformed or a number does
// not fit 16 bits; the outputs are then left alone.
bool parseHidId(std::string_view hidId, std::uint16_t& vendorId, std::uint16_t& productId);

// Sorts nodes into the order the kernel numbered them (hidraw2 before hidraw10); names
// without a number go last, by name.
void sortInKernelOrder(std::vector<HidrawNode>& nodes);

// The source of the hidraw list: libudev on a real system, a sysfs-like tree in tests.
class HidrawLister {
  public:
    virtual ~HidrawLister() = default;

    // Replaces `nodes` with the present hidraw interfaces in kernel order. Returns false when
    // no list can be obtained; a system without hidraw devices yields an empty list.
    virtual bool list(std::vector<HidrawNode>& nodes) = 0;
};

}  // namespace talo::linuxhid
