#pragma once

#include <cstdint>

namespace talo {

// Identifiers of the German message catalogue (resources/messages.tsv) that the program shows.
// The catalogue holds further texts that no operation shows; they have no constant here.

// Updating the controller through the programming unit.
inline constexpr std::uint16_t kMsgReady = 40000;                // status pane, alone
inline constexpr std::uint16_t kMsgInstructions = 40001;         // appended to every situation
inline constexpr std::uint16_t kMsgUpdateFailedCaption = 40002;  // caption of every update error
inline constexpr std::uint16_t kMsgWriteAddressFailed = 40008;
inline constexpr std::uint16_t kMsgWriteBlockFailed = 40009;
inline constexpr std::uint16_t kMsgRegistrationFailed = 40011;       // text of the start-up error
inline constexpr std::uint16_t kMsgApplicationErrorCaption = 40012;  // its caption
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
inline constexpr std::uint16_t kMsgIncompatibleText = 40034;  // one %s: the model name
inline constexpr std::uint16_t kMsgIncompatible = 40035;
inline constexpr std::uint16_t kMsgErrorCodes = 40036;       // two %08x: result, system error
inline constexpr std::uint16_t kMsgNoImage = 40037;          // missing or empty firmware image
inline constexpr std::uint16_t kMsgNoAccessRights = 40038;   // unit found, hidraw not accessible
inline constexpr std::uint16_t kMsgUnitBusy = 40039;         // another program writes the unit
inline constexpr std::uint16_t kMsgKeepAwakeReason = 40040;  // why sleep is held off meanwhile

}  // namespace talo
