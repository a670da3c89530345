#pragma once

#include <cstdint>

#include "device/device_notification.h"

struct udev;
struct udev_monitor;

namespace talo {

// Arrival and removal of hidraw devices, from udev (after its rules ran, so a new node already
// has its permissions). The window's event loop watches fd() for reading and then calls next()
// until it returns false. Nothing here blocks.
class HotplugMonitor {
  public:
    HotplugMonitor();
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    // False when the monitor could not be set up; fd() is then -1 and next() returns false.
    bool isValid() const { return monitor_ != nullptr; }

    // The descriptor that becomes readable when events are waiting.
    int fd() const;

    // Takes the next arrival or removal, skipping other udev actions. Returns false when no such
    // event is waiting.
    bool next(std::uint32_t& eventCode, DeviceNotification& record);

  private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

}  // namespace talo
