#include "device/commands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/byte_order.h"

namespace talo {
namespace {

// Where a command finds the unit's error code when the status byte reports an error.
enum class StatusCheck { None, Code16, Code32 };

// Report buffers hold at least the protocol's 60 bytes and always the whole report the unit
// declared, so no transfer can reach beyond its buffer whatever lengths the unit reports.
std::vector<std::uint8_t> reportBuffer(std::uint32_t reportLength) {
    return std::vector<std::uint8_t>(std::max<std::size_t>(kReportBufferSize, reportLength), 0);
}

struct Request {
    std::vector<std::uint8_t> bytes;

    Request(const DeviceSession& session, std::uint8_t code, std::uint8_t lengthByte)
        : bytes(reportBuffer(session.outputReportLength)) {
        bytes[0] = kOutputReportId;
        bytes[1] = code;
        bytes[2] = lengthByte;
    }
};

struct Exchange {
    std::int32_t writeFailure = kResultWriteFailed;
    std::uint32_t delayMs = 0;
    StatusCheck status = StatusCheck::None;
};

// Writes the request as one output report, optionally waits, and reads one input report into
// `answer`. Returns 0, the exchange's write failure code, -3, or the unit's error code.
std::int32_t exchange(DeviceLink& link, const DeviceSession& session, const Request& request,
                      std::vector<std::uint8_t>& answer, const Exchange& how) {
    if (!link.hid.writeReport(session.handle, request.bytes.data(), session.outputReportLength)) {
        return how.writeFailure;
    }
    if (how.delayMs != 0) {
        link.clock.sleepMs(how.delayMs);
    }
    answer = reportBuffer(session.inputReportLength);
    answer[0] = kInputReportId;
    if (!link.hid.readReport(session.handle, answer.data(), session.inputReportLength,
                             kReadTimeoutMs)) {
        return kResultReadFailed;
    }
    if (how.status != StatusCheck::None && answer[1] == kStatusError) {
        return how.status == StatusCheck::Code16 ? static_cast<std::int32_t>(readLe16(&answer[4]))
                                                 : static_cast<std::int32_t>(readLe32(&answer[4]));
    }
    return kResultOk;
}

std::uint8_t switchState(bool state) {
    return state ? 0x01 : 0x00;
}

std::int32_t switchCommand(DeviceLink& link, const DeviceSession& session, std::uint8_t code,
                           bool state, StatusCheck status) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    Request request(session, code, 0x01);
    request.bytes[3] = switchState(state);
    std::vector<std::uint8_t> answer;
    const std::int32_t result = exchange(link, session, request, answer, {.status = status});
    if (result != kResultOk) {
        return result;
    }
    // An error answer with code 0 counts as success; its echo byte means nothing then.
    if (status != StatusCheck::None && answer[1] == kStatusError) {
        return kResultOk;
    }
    return answer[3] == switchState(state) ? kResultOk : kResultEchoMismatch;
}

template <std::size_t N>
std::int32_t readBlock(DeviceLink& link, const DeviceSession& session, const Request& request,
                       std::array<std::uint8_t, N>& block, const Exchange& how) {
    std::vector<std::uint8_t> answer;
    const std::int32_t result = exchange(link, session, request, answer, how);
    if (result != kResultOk) {
        return result;
    }
    // An error answer whose code is 0 counts as success but carries no data.
    if (how.status != StatusCheck::None && answer[1] == kStatusError) {
        return kResultOk;
    }
    std::memcpy(block.data(), &answer[4], N);
    return kResultOk;
}

}  // namespace

std::int32_t Identify(DeviceLink& link, const DeviceSession& session, IdentifyAnswer& answer) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    const Request request(session, kCmdIdentify, 0x00);
    std::vector<std::uint8_t> reply;
    const std::int32_t result = exchange(link, session, request, reply, {});
    if (result != kResultOk) {
        return result;
    }
    std::memcpy(answer.data(), &reply[3], answer.size());
    return kResultOk;
}

std::int32_t ReadUnitMemory(DeviceLink& link, const DeviceSession& session, UnitInfoBlock& block) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    Request request(session, kCmdReadUnitMemory, static_cast<std::uint8_t>(block.size()));
    writeLe32(&request.bytes[4], kUnitInfoAddress);
    return readBlock(link, session, request, block, {.writeFailure = kResultNoUnit});
}

std::int32_t SetSystemLock(DeviceLink& link, const DeviceSession& session, bool state) {
    return switchCommand(link, session, kCmdSetSystemLock, state, StatusCheck::None);
}

std::int32_t WriteBlock(DeviceLink& link, const DeviceSession& session, const std::uint8_t* data,
                        unsigned words) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    if (words > kMaxBlockWords) {
        return kResultBadArgument;
    }
    const std::size_t bytes = 4U * words;
    Request request(session, kCmdWriteBlock, static_cast<std::uint8_t>(bytes));
    if (bytes != 0) {
        std::memcpy(&request.bytes[4], data, bytes);
    }
    std::vector<std::uint8_t> answer;
    return exchange(link, session, request, answer, {.status = StatusCheck::Code32});
}

std::int32_t ReadControllerInfo(DeviceLink& link, const DeviceSession& session,
                                ControllerInfoBlock& block) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    Request request(session, kCmdReadControllerInfo, 0x08);
    writeLe32(&request.bytes[4], static_cast<std::uint32_t>(block.size()));
    writeLe32(&request.bytes[8],
              static_cast<std::uint32_t>(-static_cast<std::int32_t>(block.size())));
    return readBlock(link, session, request, block, {.status = StatusCheck::Code16});
}

std::int32_t EraseFirmware(DeviceLink& link, const DeviceSession& session) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    Request request(session, kCmdEraseFirmware, 0x04);
    writeLe32(&request.bytes[4], kConfirmationWord);
    std::vector<std::uint8_t> answer;
    return exchange(link, session, request, answer,
                    {.delayMs = kEraseAnswerDelayMs, .status = StatusCheck::Code32});
}

std::int32_t SetWriteAddress(DeviceLink& link, const DeviceSession& session) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    Request request(session, kCmdSetWriteAddress, 0x09);
    request.bytes[3] = 0x01;
    writeLe32(&request.bytes[4], 0);
    writeLe32(&request.bytes[8], kConfirmationWord);
    std::vector<std::uint8_t> answer;
    return exchange(link, session, request, answer, {.status = StatusCheck::Code32});
}

std::int32_t SetWriteProtect(DeviceLink& link, const DeviceSession& session, bool state) {
    return switchCommand(link, session, kCmdSetWriteProtect, state, StatusCheck::Code32);
}

std::int32_t ReadControllerIdentity(DeviceLink& link, const DeviceSession& session,
                                    ControllerIdentityBlock& block) {
    if (!session.isOpen()) {
        return kResultNoUnit;
    }
    const Request request(session, kCmdReadControllerIdentity, 0x00);
    return readBlock(link, session, request, block, {.status = StatusCheck::Code16});
}

}  // namespace talo
