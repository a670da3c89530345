#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talo {

// Texts of the version panel. Numbers are decimal byte values, high byte first.

// Capacity of the buffers the version texts are formatted into.
inline constexpr std::size_t kVersionTextCapacity = 32;

inline constexpr char16_t kNoUnitVersionText[] = u"0.0.0";
inline constexpr char16_t kNoControllerFirmwareText[] = u"----------";

// "b3.b1.b0" when the top byte b3 is set, else "b1.b0"; byte b2 is never shown.
std::u16string versionText32(std::uint32_t version);

// The unit reports some versions one byte up: a zero lowest byte is shifted out first.
std::uint32_t unitVersionForDisplay(std::uint32_t unitFirmwareVersion);

// "high.low", or ten hyphens for 0xFFFF (no firmware).
std::u16string controllerFirmwareText(std::uint16_t version);

// Model name of the programming unit: product 1 is a TUNEPUCK, every other one a TUNE-CARD.
std::u16string_view unitModelName(std::uint16_t productId);

}  // namespace talo
