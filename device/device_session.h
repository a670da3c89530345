#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/hid_handle.h"

namespace talo {

// USB product identifiers of the two programming unit models.
inline constexpr std::uint16_t kProductTunePuck = 1;
inline constexpr std::uint16_t kProductTuneCard = 2;

// attachedType of an update-capable controller behind the unit.
inline constexpr std::uint16_t kAttachedController = 3;

// controllerFirmwareVersion of a controller that reports no firmware version.
inline constexpr std::uint16_t kNoFirmwareVersion = 0xFFFF;

// The record of the one open programming unit. In the no-device state `handle` is invalid,
// `devicePath` is empty (null) and every other field is zero.
struct DeviceSession {
    HidHandle handle = kInvalidHidHandle;
    std::optional<std::u16string> devicePath;  // owned copy of the interface path; null = none
    std::uint32_t outputReportLength = 0;      // report id byte included
    std::uint32_t inputReportLength = 0;       // report id byte included
    std::uint8_t unitMode = 0;                 // 0: link to a controller; else bootloader
    std::uint32_t unitFirmwareVersion = 0;
    std::uint32_t unitInfoWord = 0;
    std::uint16_t attachedType = 0;  // kAttachedController: an update-capable controller
    std::uint16_t attachedDetail = 0;
    std::uint8_t bootInfoA = 0;
    std::uint16_t bootInfoB = 0;
    std::uint32_t bootInfoC = 0;
    std::uint32_t bootInfoD = 0;
    std::uint8_t bootInfoE = 0;
    std::array<std::uint8_t, 32> controllerInfo{};
    std::array<std::uint8_t, 40> controllerIdentity{};
    std::uint16_t productId = 0;

    bool isOpen() const { return handle != kInvalidHidHandle; }

    // Little-endian views into the controller blocks.
    std::uint16_t controllerFirmwareVersion() const;  // controllerInfo bytes 4-5; 0xFFFF: none
    void setControllerFirmwareVersion(std::uint16_t version);
    std::uint32_t controllerTypeCode() const;           // controllerIdentity bytes 0-3
    std::uint32_t controllerBootloaderVersion() const;  // controllerIdentity bytes 4-7
};

// Puts the record into the no-device state directly, without closing anything (start-up).
void resetSession(DeviceSession& session);

}  // namespace talo
