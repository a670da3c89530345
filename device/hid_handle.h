#pragma once

#include <cstdint>

namespace talo {

// An open HID device. The value with all bits set means "no device", on every platform,
// so that a reset record compares equal to the platform's INVALID_HANDLE_VALUE on Windows.
using HidHandle = std::uintptr_t;
inline constexpr HidHandle kInvalidHidHandle = ~HidHandle{0};

}  // namespace talo
