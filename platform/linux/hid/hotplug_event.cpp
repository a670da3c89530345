#include "platform/linux/hid/hotplug_event.h"

#include <string>

#include "device/utf8_text.h"

namespace talo::linuxhid {

bool deviceChangeFromUdev(std::string_view action, std::string_view devnode,
                          std::uint32_t& eventCode, DeviceNotification& record) {
    std::uint32_t code = 0;
    if (action == "add") {
        code = kDeviceArrival;
    } else if (action == "remove") {
        code = kDeviceRemoveComplete;
    } else {
        return false;
    }
    std::u16string name;
    if (devnode.empty() || !utf8ToUtf16(devnode, name)) {
        return false;
    }
    eventCode = code;
    record.deviceType = kDeviceTypeInterface;
    record.name = std::move(name);
    return true;
}

}  // namespace talo::linuxhid
