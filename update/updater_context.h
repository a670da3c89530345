#pragma once

#include <cstddef>
#include <cstdint>

#include "device/device_link.h"
#include "device/device_session.h"
#include "ui/window_ops.h"

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

// Stages of one update, in the order they begin. A failed update reports Failed after the
// failure box has been closed; a declined downgrade question reports nothing.
enum class UpdatePhase {
    Lock,             // SetSystemLock(1)
    Unprotect,        // SetWriteProtect(0)
    Erase,            // EraseFirmware and its pause
    SetWriteAddress,  // SetWriteAddress
    Write,            // the block loop
    Restore,          // SetWriteProtect(1), SetSystemLock(0)
    Succeeded,        // new version recorded, success text shown
    Failed,           // failure reported
};

// Optional listener for programs without a progress window (the command-line tool). Called
// synchronously from runUpdate; the window behaviour is the same with or without it.
class UpdateObserver {
  public:
    virtual ~UpdateObserver() = default;

    virtual void onPhase(UpdatePhase phase) = 0;

    // After every block the unit accepted: image bytes sent so far, of `totalBytes`.
    virtual void onBlockWritten(std::size_t bytesWritten, std::size_t totalBytes) = 0;
};

// Everything the readiness evaluation and the update sequence act on. One per program run.
struct UpdaterContext {
    DeviceLink link;
    DeviceSession& session;
    WindowOps& window;
    FirmwareImage image;
    UpdateObserver* observer = nullptr;  // borrowed; null: nobody listens
};

}  // namespace talo
