#pragma once

#include <cstdint>
#include <string>

#include "ui/window_ops.h"

namespace talo {

// Catalogue identifiers of the texts the readiness evaluation and the update sequence show.
inline constexpr std::uint16_t kMsgReady = 40000;
inline constexpr std::uint16_t kMsgInstructions = 40001;
inline constexpr std::uint16_t kMsgUpdateFailedCaption = 40002;
inline constexpr std::uint16_t kMsgWriteAddressFailed = 40008;
inline constexpr std::uint16_t kMsgWriteBlockFailed = 40009;
inline constexpr std::uint16_t kMsgWrongMode = 40015;
inline constexpr std::uint16_t kMsgNoController = 40016;
inline constexpr std::uint16_t kMsgNoUnitFound = 40017;
inline constexpr std::uint16_t kMsgConnectionLost = 40020;
inline constexpr std::uint16_t kMsgUnitUnavailable = 40022;
inline constexpr std::uint16_t kMsgDowngradeText = 40023;
inline constexpr std::uint16_t kMsgDowngradeCaption = 40025;
inline constexpr std::uint16_t kMsgLockFailed = 40026;
inline constexpr std::uint16_t kMsgUnprotectFailed = 40027;
inline constexpr std::uint16_t kMsgEraseFailed = 40028;
inline constexpr std::uint16_t kMsgProgressTitle = 40029;
inline constexpr std::uint16_t kMsgUpdateAborted = 40030;
inline constexpr std::uint16_t kMsgUpdateSucceeded = 40032;
inline constexpr std::uint16_t kMsgIncompatibleCaption = 40033;
inline constexpr std::uint16_t kMsgIncompatibleText = 40034;
inline constexpr std::uint16_t kMsgIncompatible = 40035;
inline constexpr std::uint16_t kMsgErrorCodes = 40036;
inline constexpr std::uint16_t kMsgNoImage = 40037;

// Every lookup and every composed text uses a buffer of this many UTF-16 units.
inline constexpr int kMessageCapacity = 2048;

// The catalogue text of `id`, looked up through the window with the full capacity.
std::u16string loadMessage(WindowOps& window, std::uint16_t id);

}  // namespace talo
