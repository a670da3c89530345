#include "platform/linux/hid/hotplug_event.h"

#include <string>

#include "device/utf8_text.h"

namespace talo::linuxhid {

bool deviceChangeFromUdev(std::string_view action, std::string_view devnode,
                          std::uint32_t& eventCode, DeviceNotification& record) {
    std::u16string name;
    if ((action != "add" && action != "remove") || devnode.empty() || !utf8ToUtf16(devnode, name)) {
        return false;
    }
    eventCode = action == "add" ? kDeviceArrival : kDeviceRemoveComplete;
    record.deviceType = kDeviceTypeInterface;
    record.name = std::move(name);
    return true;
}

}  // namespace talo::linuxhid
