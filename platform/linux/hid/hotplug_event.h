#pragma once

#include <cstdint>
#include <string_view>

#include "device/device_notification.h"

namespace talo::linuxhid {

// Turns a udev event on a hidraw device into the device-change event the core handles: "add"
// becomes an arrival, "remove" a remove-complete, both as device-interface records named by the
// device node, the same path the enumeration hands out. Returns false for every other action
// and for a node whose name is not valid UTF-8; the outputs are then left alone.
bool deviceChangeFromUdev(std::string_view action, std::string_view devnode,
                          std::uint32_t& eventCode, DeviceNotification& record);

}  // namespace talo::linuxhid
