#pragma once

#include "device/clock.h"
#include "device/hid_platform.h"

namespace talo {

// What the device link needs from its surroundings: the HID stack and the clock for the
// protocol's fixed waits. Both are borrowed and outlive the link.
struct DeviceLink {
    HidPlatform& hid;
    Clock& clock;
};

}  // namespace talo
