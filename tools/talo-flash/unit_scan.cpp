#include "unit_scan.h"

#include "device/device_session.h"
#include "device/session.h"
#include "device/utf8_text.h"

namespace talo::flash {

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
            if (device.isUnit && !hid.serialNumber(handle, device.serial)) {
                device.serial.clear();
            }
            hid.close(handle);
        }
        devices.push_back(std::move(device));
    }
    return true;
}

std::vector<ExaminedDevice> presentUnits(HidPlatform& hid) {
    std::vector<ExaminedDevice> devices;
    std::vector<ExaminedDevice> units;
    if (scanDevices(hid, devices)) {
        for (ExaminedDevice& device : devices) {
            if (device.isUnit) {
                units.push_back(std::move(device));
            }
        }
    }
    return units;
}

std::string unitId(const ExaminedDevice& unit) {
    return toUtf8Lossy(unit.serial.empty() ? unit.path : unit.serial);
}

const ExaminedDevice* findUnit(const std::vector<ExaminedDevice>& units, std::string_view id) {
    for (const ExaminedDevice& unit : units) {
        if ((!unit.serial.empty() && toUtf8Lossy(unit.serial) == id) ||
            toUtf8Lossy(unit.path) == id) {
            return &unit;
        }
    }
    return nullptr;
}

std::string unknownUnitMessage(std::string_view id, const std::vector<ExaminedDevice>& units) {
    std::string message = "no programming unit '" + std::string(id) + "'; ";
    if (units.empty()) {
        return message + "none present";
    }
    message += "present:";
    for (std::size_t i = 0; i < units.size(); ++i) {
        message += (i == 0 ? " " : ", ") + unitId(units[i]);
    }
    return message;
}

bool SelectedUnitHid::listInterfaces(std::vector<std::u16string>& paths) {
    std::vector<std::u16string> present;
    paths.clear();
    if (!inner_.listInterfaces(present)) {
        return false;
    }
    for (std::u16string& path : present) {
        if (!path_ || path == *path_) {
            paths.push_back(std::move(path));
        }
    }
    return true;
}

}  // namespace talo::flash
