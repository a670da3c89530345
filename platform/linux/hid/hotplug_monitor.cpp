#include "platform/linux/hid/hotplug_monitor.h"

#include <libudev.h>

#include "platform/linux/hid/hotplug_event.h"

namespace talo {

HotplugMonitor::HotplugMonitor() {
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return;
    }
    // "udev" rather than "kernel": the event comes after the rules, so the node is usable.
    udev_monitor* monitor = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor == nullptr) {
        return;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        return;
    }
    monitor_ = monitor;
}

HotplugMonitor::~HotplugMonitor() {
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

int HotplugMonitor::fd() const {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

bool HotplugMonitor::next(std::uint32_t& eventCode, DeviceNotification& record) {
    if (monitor_ == nullptr) {
        return false;
    }
    // The monitor's socket is non-blocking: receive returns null once the queue is empty.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        const char* devnode = udev_device_get_devnode(device);
        const bool taken = action != nullptr && devnode != nullptr &&
                           linuxhid::deviceChangeFromUdev(action, devnode, eventCode, record);
        udev_device_unref(device);
        if (taken) {
            return true;
        }
    }
    return false;
}

}  // namespace talo
