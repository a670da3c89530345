#pragma once

#include "platform/linux/hid/hidraw_node.h"

namespace talo::linuxhid {

// Lists hidraw interfaces through libudev: subsystem hidraw, the device node from udev, vendor
// and product from HID_ID of the parent hid device.
class UdevHidrawLister final : public HidrawLister {
  public:
    bool list(std::vector<HidrawNode>& nodes) override;
};

}  // namespace talo::linuxhid
