#pragma once

#include <cstdint>
#include <string>

namespace talo {

// Device-change event codes and the device type of a device-interface record. The values are
// those of WM_DEVICECHANGE; every platform's hot-plug source reports in these terms.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
inline constexpr std::uint32_t kDeviceTypeInterface = 5;        // DBT_DEVTYP_DEVICEINTERFACE

// A notification record, already read safely out of the platform's message: its device type
// and, for device-interface records, the interface path.
struct DeviceNotification {
    std::uint32_t deviceType = 0;
    std::u16string name;
};

}  // namespace talo
