#pragma once

#include <cstdint>

namespace talo::sim {

// System error codes the simulated HID stack reports through lastError(). They carry the
// Windows numbers, which is what the user sees in a failure box on that platform.
inline constexpr std::uint32_t kErrorInvalidHandle = 6;          // handle never opened or closed
inline constexpr std::uint32_t kErrorGenFailure = 31;            // injected write/read failure
inline constexpr std::uint32_t kErrorInvalidParameter = 87;      // length != report length
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;  // device unplugged
inline constexpr std::uint32_t kErrorTimeout = 1460;             // no answer within the limit

// Error codes the simulated unit puts into bytes 4-7 of an answer with status 0xFF. All fit
// in 16 bits, so the commands that take only bytes 4-5 see the same value.
inline constexpr std::uint32_t kUnitErrorBadRequest = 0x0101;       // unknown code, bad framing
inline constexpr std::uint32_t kUnitErrorNoController = 0x0102;     // no controller to talk to
inline constexpr std::uint32_t kUnitErrorNotLocked = 0x0103;        // system lock not set
inline constexpr std::uint32_t kUnitErrorWriteProtected = 0x0104;   // write protection set
inline constexpr std::uint32_t kUnitErrorBadConfirmation = 0x0105;  // confirmation word wrong
inline constexpr std::uint32_t kUnitErrorNotErased = 0x0106;        // flash not erased
inline constexpr std::uint32_t kUnitErrorNoWriteAddress = 0x0107;   // write address not set
inline constexpr std::uint32_t kUnitErrorAddressRange = 0x0108;     // beyond the flash

}  // namespace talo::sim
