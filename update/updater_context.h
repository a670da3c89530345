#pragma once

#include <cstddef>
#include <cstdint>

#include "device/device_link.h"
#include "device/device_session.h"
#include "update/system_awake.h"
#include "update/update_journal.h"
#include "update/updater_view.h"

namespace talo {

// The carried firmware image: a read-only view, never copied or modified. `data` null or
// `size` 0 means the image is missing.
struct FirmwareImage {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Version of the carried image (major 1, minor 8): the downgrade threshold and the version
// recorded after a successful update.
inline constexpr std::uint16_t kImageVersion = 0x0108;

// The one supported controller type ("TALO Max 150") and its model name.
inline constexpr std::uint32_t kSupportedControllerType = 0x0E12C078;
inline constexpr char16_t kModelName[] = u"TALO Max 150";

// Everything the readiness evaluation and the update sequence act on: one per unit a program
// drives. Link, session and view are borrowed.
struct UpdaterContext {
    DeviceLink link;
    DeviceSession& session;
    UpdaterView& view;
    FirmwareImage image;
    SystemAwake* awake = nullptr;      // borrowed; null: nothing keeps the system awake
    UpdateJournal* journal = nullptr;  // borrowed; null: attempts are not recorded
};

}  // namespace talo
