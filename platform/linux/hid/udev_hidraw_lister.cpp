#include "platform/linux/hid/udev_hidraw_lister.h"

#include <libudev.h>

#include <memory>

namespace talo::linuxhid {
namespace {

struct UdevUnref {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

void readHidId(udev_device* hidraw, HidrawNode& node) {
    // The parent belongs to the child and must not be unreferenced.
    udev_device* parent = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    const char* hidId = parent ? udev_device_get_property_value(parent, "HID_ID") : nullptr;
    if (hidId) {
        node.idKnown = parseHidId(hidId, node.vendorId, node.productId);
    }
    const char* uniq = parent ? udev_device_get_property_value(parent, "HID_UNIQ") : nullptr;
    if (uniq != nullptr && *uniq != '\0') {
        node.serial = uniq;
        return;
    }
    // Not every driver fills HID_UNIQ: the USB device's own serial attribute is the same text.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    const char* serial = usb ? udev_device_get_sysattr_value(usb, "serial") : nullptr;
    if (serial != nullptr) {
        node.serial = serial;
    }
}

}  // namespace

bool UdevHidrawLister::list(std::vector<HidrawNode>& nodes) {
    nodes.clear();
    UdevPtr<udev> context(udev_new());
    if (!context) {
        return false;
    }
    UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return false;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
        UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;  // gone between scan and lookup
        }
        const char* devnode = udev_device_get_devnode(device.get());
        const char* sysname = udev_device_get_sysname(device.get());
        if (!devnode || !sysname) {
            continue;
        }
        HidrawNode node;
        node.name = sysname;
        node.devnode = devnode;
        readHidId(device.get(), node);
        nodes.push_back(std::move(node));
    }
    sortInKernelOrder(nodes);
    return true;
}

}  // namespace talo::linuxhid
