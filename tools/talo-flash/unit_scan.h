#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/hid_platform.h"

namespace talo::flash {

// One present HID device as `list` examined it.
struct ExaminedDevice {
    std::u16string path;
    bool opened = false;         // false: it could not be opened (busy, no permission)
    bool hasAttributes = false;  // false: its vendor and product ids could not be read
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool isUnit = false;  // the maker's vendor id with product 1 or 2
};

// True for the USB ids of a programming unit.
bool isProgrammingUnit(std::uint16_t vendorId, std::uint16_t productId);

// Opens every present HID device in enumeration order, reads its ids and closes it again.
// Returns false when the platform cannot list its devices.
bool scanDevices(HidPlatform& hid, std::vector<ExaminedDevice>& devices);

// True as soon as one programming unit is present (used to wait for one).
bool unitPresent(HidPlatform& hid);

}  // namespace talo::flash
