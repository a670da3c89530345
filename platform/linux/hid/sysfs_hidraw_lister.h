#pragma once

#include <string>

#include "platform/linux/hid/hidraw_node.h"

namespace talo::linuxhid {

// Lists hidraw interfaces by reading sysfs directly: <sysRoot>/class/hidraw/<name>, its
// uevent (DEVNAME) for the device node under `devRoot`, and device/uevent (HID_ID) of the
// parent hid device. Works on any tree laid out like sysfs.
class SysfsHidrawLister final : public HidrawLister {
  public:
    explicit SysfsHidrawLister(std::string sysRoot = "/sys", std::string devRoot = "/dev");

    bool list(std::vector<HidrawNode>& nodes) override;

  private:
    std::string sysRoot_;
    std::string devRoot_;
};

}  // namespace talo::linuxhid
