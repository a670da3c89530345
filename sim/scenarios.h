#pragma once

#include <cstdint>
#include <string_view>

#include "sim/simulated_unit.h"

namespace talo::sim {

// The five situations a user meets when starting the updater.
enum class Situation { Ready, Downgrade, Bootloader, NoController, Incompatible };

// Values the ready unit reports; the other situations differ from it in one respect each.
inline constexpr std::uint32_t kSupportedTypeCode = 0x0E12C078;
inline constexpr std::uint32_t kForeignTypeCode = 0x0E12C099;
inline constexpr std::uint16_t kOlderControllerVersion = 0x0107;
inline constexpr std::uint16_t kNewerControllerVersion = 0x0109;
inline constexpr std::uint32_t kControllerBootloaderVersion = 0x0100020A;
inline constexpr std::uint32_t kUnitVersion = 0x00000105;
inline constexpr std::uint32_t kBootloaderUnitVersion = 0x00000104;

// A unit of product 1 in the given situation:
//   Ready        normal mode, controller of the supported type with firmware 1.7
//   Downgrade    as Ready, controller firmware 1.9 (newer than the carried image)
//   Bootloader   unit in bootloader mode, version in its memory block, nothing attached
//   NoController normal mode, attachedType 0
//   Incompatible normal mode, attachedType 3, another controller type code
SimulatedUnit makeUnit(Situation situation);

// "ready", "downgrade", "bootloader", "no-controller", "incompatible". Returns false and leaves
// `situation` alone for any other text.
bool parseSituation(std::string_view text, Situation& situation);
std::string_view situationName(Situation situation);

}  // namespace talo::sim
