#include "platform/win32/notification_record.h"

#include <cstddef>
#include <cstring>

#include "platform/win32/win32_headers.h"

namespace talo::win32 {

bool readDeviceNotification(const void* record, DeviceNotification& out) {
    out = DeviceNotification{};
    if (record == nullptr) {
        return false;
    }
    // memcpy instead of casts: the record comes from outside and may be unaligned.
    DEV_BROADCAST_HDR header{};
    const auto* bytes = static_cast<const unsigned char*>(record);
    std::memcpy(&header.dbch_size, bytes, sizeof(header.dbch_size));
    if (header.dbch_size < sizeof(DEV_BROADCAST_HDR) ||
        header.dbch_size > kMaxNotificationRecordBytes) {
        return false;
    }
    std::memcpy(&header, bytes, sizeof(header));
    out.deviceType = header.dbch_devicetype;
    if (header.dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
        return true;
    }

    constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header.dbch_size <= kNameOffset) {
        return true;  // no room for a name: an empty path matches no device
    }
    const std::size_t units = (header.dbch_size - kNameOffset) / sizeof(char16_t);
    const unsigned char* name = bytes + kNameOffset;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t unit = 0;
        std::memcpy(&unit, name + i * sizeof(char16_t), sizeof(unit));
        if (unit == u'\0') {
            break;
        }
        out.name.push_back(unit);
    }
    return true;
}

}  // namespace talo::win32
