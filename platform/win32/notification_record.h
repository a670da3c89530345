#pragma once

#include <cstdint>

#include "device/device_notification.h"

namespace talo::win32 {

// Reads the DEV_BROADCAST_HDR record of a WM_DEVICECHANGE message (its lParam) without
// trusting it: the header must be complete and claim a plausible size, and the interface
// name of a device-interface record is read only within dbch_size; a name without a
// terminator ends at the record's end. Returns false for a missing or malformed record.
bool readDeviceNotification(const void* record, DeviceNotification& out);

// Largest record accepted: a device-interface header with the longest path Windows allows.
inline constexpr std::uint32_t kMaxNotificationRecordBytes = 28 + 2 * 32768;

}  // namespace talo::win32
