#pragma once

#include <array>
#include <cstdint>

#include "device/device_link.h"
#include "device/device_session.h"

namespace talo {

// Command results: 0 success; the negative codes below; 1627 echo mismatch; any other value is
// the unit's own error code. Every nonzero result is a failure.
inline constexpr std::int32_t kResultOk = 0;
inline constexpr std::int32_t kResultNoUnit = -1;       // no unit open; nothing was sent
inline constexpr std::int32_t kResultBadArgument = -1;  // argument out of range; nothing sent
inline constexpr std::int32_t kResultWriteFailed = -2;
inline constexpr std::int32_t kResultReadFailed = -3;
inline constexpr std::int32_t kResultNoProgrammingUnit = -4;  // openSession only
// openSession and the update: another program holds a claim on the unit (it is writing it), so
// nothing was sent to it.
inline constexpr std::int32_t kResultUnitBusy = -5;
inline constexpr std::int32_t kResultEchoMismatch = 1627;

// Report framing.
inline constexpr std::uint8_t kOutputReportId = 0x01;
inline constexpr std::uint8_t kInputReportId = 0x02;
inline constexpr std::uint8_t kStatusError = 0xFF;
inline constexpr std::size_t kReportBufferSize = 60;  // 4 header bytes + 56 WriteBlock bytes

// Command codes.
inline constexpr std::uint8_t kCmdIdentify = 0x08;
inline constexpr std::uint8_t kCmdReadUnitMemory = 0x0A;
inline constexpr std::uint8_t kCmdSetSystemLock = 0x0B;
inline constexpr std::uint8_t kCmdWriteBlock = 0x1B;
inline constexpr std::uint8_t kCmdReadControllerInfo = 0x1D;
inline constexpr std::uint8_t kCmdEraseFirmware = 0x1E;
inline constexpr std::uint8_t kCmdSetWriteAddress = 0x1F;
inline constexpr std::uint8_t kCmdSetWriteProtect = 0x20;
inline constexpr std::uint8_t kCmdReadControllerIdentity = 0x22;

inline constexpr std::uint32_t kUnitInfoAddress = 0x0801FC00;
inline constexpr std::uint32_t kConfirmationWord = 0x5EC7A9B1;
inline constexpr std::uint32_t kEraseAnswerDelayMs = 1000;
inline constexpr unsigned kMaxBlockWords = 14;

using IdentifyAnswer = std::array<std::uint8_t, 13>;  // answer bytes 3..15
using UnitInfoBlock = std::array<std::uint8_t, 12>;
using ControllerInfoBlock = std::array<std::uint8_t, 32>;
using ControllerIdentityBlock = std::array<std::uint8_t, 40>;

// Each command is one request/response exchange on the open unit of `session` (its handle and
// report lengths only). Output blocks are written only when the result is 0. No command
// retries, closes the unit or changes the session. After a failed transfer the platform's
// error code of that transfer is still link.hid.lastError() when the command returns.
std::int32_t Identify(DeviceLink& link, const DeviceSession& session, IdentifyAnswer& answer);
std::int32_t ReadUnitMemory(DeviceLink& link, const DeviceSession& session, UnitInfoBlock& block);
std::int32_t SetSystemLock(DeviceLink& link, const DeviceSession& session, bool state);
std::int32_t WriteBlock(DeviceLink& link, const DeviceSession& session, const std::uint8_t* data,
                        unsigned words);
std::int32_t ReadControllerInfo(DeviceLink& link, const DeviceSession& session,
                                ControllerInfoBlock& block);
// Waits kEraseAnswerDelayMs on link.clock between request and answer.
std::int32_t EraseFirmware(DeviceLink& link, const DeviceSession& session);
std::int32_t SetWriteAddress(DeviceLink& link, const DeviceSession& session);
std::int32_t SetWriteProtect(DeviceLink& link, const DeviceSession& session, bool state);
std::int32_t ReadControllerIdentity(DeviceLink& link, const DeviceSession& session,
                                    ControllerIdentityBlock& block);

}  // namespace talo
