#include "unit_scan.h"

#include "device/device_session.h"
#include "device/session.h"

namespace talo::flash {

bool isProgrammingUnit(std::uint16_t vendorId, std::uint16_t productId) {
    return vendorId == makerVendorId() &&
           (productId == kProductTunePuck || productId == kProductTuneCard);
}

bool scanDevices(HidPlatform& hid, std::vector<ExaminedDevice>& devices) {
    devices.clear();
    std::vector<std::u16string> paths;
    if (!hid.listInterfaces(paths)) {
        return false;
    }
    for (const std::u16string& path : paths) {
        ExaminedDevice device;
        device.path = path;
        const HidHandle handle = hid.open(path);
        device.opened = handle != kInvalidHidHandle;
        if (device.opened) {
            device.hasAttributes = hid.attributes(handle, device.vendorId, device.productId);
            device.isUnit =
                device.hasAttributes && isProgrammingUnit(device.vendorId, device.productId);
            hid.close(handle);
        }
        devices.push_back(std::move(device));
    }
    return true;
}

bool unitPresent(HidPlatform& hid) {
    std::vector<ExaminedDevice> devices;
    if (!scanDevices(hid, devices)) {
        return false;
    }
    for (const ExaminedDevice& device : devices) {
        if (device.isUnit) {
            return true;
        }
    }
    return false;
}

}  // namespace talo::flash
