#include "sim/simulated_unit.h"

#include <algorithm>

#include "device/byte_order.h"
#include "device/commands.h"
#include "device/session.h"
#include "sim/sim_errors.h"

namespace talo::sim {
namespace {

// Builds one answer report; every write is clipped to the report, so a unit with short input
// reports simply carries less.
class Reply {
  public:
    explicit Reply(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    void byte(std::size_t at, std::uint8_t value) {
        if (at < bytes_.size()) {
            bytes_[at] = value;
        }
    }
    void le16(std::size_t at, std::uint16_t value) {
        std::uint8_t raw[2];
        writeLe16(raw, value);
        block(at, raw, sizeof raw);
    }
    void le32(std::size_t at, std::uint32_t value) {
        std::uint8_t raw[4];
        writeLe32(raw, value);
        block(at, raw, sizeof raw);
    }
    void block(std::size_t at, const std::uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            byte(at + i, data[i]);
        }
    }
    void error(std::uint32_t code) {
        byte(1, kStatusError);
        le32(4, code);
    }

  private:
    std::vector<std::uint8_t>& bytes_;
};

// The request as the unit sees it: bytes beyond the report read as absent.
struct Request {
    const std::uint8_t* bytes;
    std::size_t length;

    bool has(std::size_t count) const { return length >= count; }
    std::uint8_t lengthByte() const { return bytes[2]; }
    std::uint8_t state() const { return bytes[3]; }
    std::uint32_t le32(std::size_t at) const { return readLe32(bytes + at); }
    bool isSwitchState() const { return has(4) && (bytes[3] == 0 || bytes[3] == 1); }
};

constexpr std::uint32_t kControllerInfoCount = 32;
constexpr std::uint32_t kControllerInfoOffset = 0xFFFFFFE0;

}  // namespace

SimulatedUnit::SimulatedUnit() : vendorId(makerVendorId()) {}

void SimulatedUnit::setControllerFirmwareVersion(std::uint16_t version) {
    writeLe16(controllerInfo.data() + 4, version);
}

std::uint16_t SimulatedUnit::controllerFirmwareVersion() const {
    return readLe16(controllerInfo.data() + 4);
}

void SimulatedUnit::setControllerTypeCode(std::uint32_t code) {
    writeLe32(controllerIdentity.data(), code);
}

void SimulatedUnit::setControllerBootloaderVersion(std::uint32_t version) {
    writeLe32(controllerIdentity.data() + 4, version);
}

void SimulatedUnit::setUnitMemoryVersion(std::uint32_t version, std::uint32_t infoWord) {
    writeLe32(unitMemory.data() + 4, version);
    writeLe32(unitMemory.data() + 8, infoWord);
}

void SimulatedUnit::injectFault(std::uint8_t command, FaultKind kind, std::uint32_t occurrence,
                                std::uint32_t errorCode) {
    faults.push_back(Fault{command, kind, occurrence, errorCode});
}

std::vector<const RequestRecord*> SimulatedUnit::deliveredRequests(std::uint8_t command) const {
    std::vector<const RequestRecord*> found;
    for (const RequestRecord& record : requests) {
        if (record.delivered && record.command == command) {
            found.push_back(&record);
        }
    }
    return found;
}

std::size_t SimulatedUnit::deliveredCount(std::uint8_t command) const {
    return deliveredRequests(command).size();
}

std::vector<std::uint8_t> SimulatedUnit::deliveredCommands() const {
    std::vector<std::uint8_t> commands;
    for (const RequestRecord& record : requests) {
        if (record.delivered) {
            commands.push_back(record.command);
        }
    }
    return commands;
}

void SimulatedUnit::clearLog() {
    requests.clear();
    reads.clear();
}

const Fault* SimulatedUnit::noteRequest(std::uint8_t command) {
    const std::uint32_t count = ++requestCounts_[command];
    for (const Fault& fault : faults) {
        if (fault.command == command && (fault.occurrence == 0 || fault.occurrence == count)) {
            return &fault;
        }
    }
    return nullptr;
}

std::uint32_t SimulatedUnit::flashBlocker(bool writingBlocks) const {
    if (!controllerAttached()) {
        return kUnitErrorNoController;
    }
    if (!flash.systemLock) {
        return kUnitErrorNotLocked;
    }
    if (flash.writeProtect) {
        return kUnitErrorWriteProtected;
    }
    if (writingBlocks && !flash.erased) {
        return kUnitErrorNotErased;
    }
    if (writingBlocks && !flash.writeAddressSet) {
        return kUnitErrorNoWriteAddress;
    }
    return 0;
}

bool SimulatedUnit::answer(const std::uint8_t* requestBytes, std::size_t length, const Fault* fault,
                           std::vector<std::uint8_t>& replyBytes) {
    if (fault != nullptr && fault->kind == FaultKind::NoAnswer) {
        return false;
    }
    replyBytes.assign(inputReportLength, 0);
    Reply reply(replyBytes);
    reply.byte(0, kInputReportId);

    const Request request{requestBytes, length};
    if (!request.has(3) || requestBytes[0] != kOutputReportId) {
        reply.error(kUnitErrorBadRequest);
        return true;
    }
    const std::uint8_t command = requestBytes[1];
    reply.byte(2, command);  // not read by the program; handy in a hex dump

    // The switch commands always echo the state the unit holds, refused or not.
    const auto echoSwitches = [&] {
        if (command == kCmdSetSystemLock) {
            reply.byte(3, flash.systemLock ? 1 : 0);
        } else if (command == kCmdSetWriteProtect) {
            reply.byte(3, flash.writeProtect ? 1 : 0);
        }
    };
    const auto refuse = [&](std::uint32_t code) {
        reply.error(code);
        echoSwitches();
        return true;
    };

    if (fault != nullptr && fault->kind == FaultKind::ErrorStatus) {
        return refuse(fault->errorCode);
    }

    switch (command) {
        case kCmdIdentify:
            if (request.lengthByte() != 0) {
                return refuse(kUnitErrorBadRequest);
            }
            reply.byte(3, unitMode);
            if (unitMode == 0) {
                reply.le16(4, attachedType);
                reply.le16(6, attachedDetail);
                reply.le32(8, unitFirmwareVersion);
                reply.le32(12, unitInfoWord);
            } else {
                reply.byte(4, bootInfoA);
                reply.le16(5, bootInfoB);
                reply.le32(7, bootInfoC);
                reply.le32(11, bootInfoD);
                reply.byte(15, bootInfoE);
            }
            break;

        case kCmdReadUnitMemory:
            if (request.lengthByte() != unitMemory.size() || !request.has(8) ||
                request.le32(4) != kUnitInfoAddress) {
                return refuse(kUnitErrorBadRequest);
            }
            reply.block(4, unitMemory.data(), unitMemory.size());
            break;

        case kCmdSetSystemLock:
            if (request.lengthByte() != 1 || !request.isSwitchState()) {
                return refuse(kUnitErrorBadRequest);
            }
            flash.systemLock = request.state() == 1;
            break;

        case kCmdSetWriteProtect:
            if (request.lengthByte() != 1 || !request.isSwitchState()) {
                return refuse(kUnitErrorBadRequest);
            }
            if (!controllerAttached()) {
                return refuse(kUnitErrorNoController);
            }
            if (!flash.systemLock) {
                return refuse(kUnitErrorNotLocked);
            }
            flash.writeProtect = request.state() == 1;
            break;

        case kCmdEraseFirmware:
            if (request.lengthByte() != 4 || !request.has(8)) {
                return refuse(kUnitErrorBadRequest);
            }
            if (const std::uint32_t blocker = flashBlocker(false); blocker != 0) {
                return refuse(blocker);
            }
            if (request.le32(4) != kConfirmationWord) {
                return refuse(kUnitErrorBadConfirmation);
            }
            flash.erased = true;
            flash.contents.clear();
            // A fresh erase wants a fresh address: blocks must not continue an old run.
            flash.writeAddressSet = false;
            flash.writeAddress = 0;
            break;

        case kCmdSetWriteAddress:
            if (request.lengthByte() != 9 || !request.has(12) || request.state() != 0x01) {
                return refuse(kUnitErrorBadRequest);
            }
            if (!controllerAttached()) {
                return refuse(kUnitErrorNoController);
            }
            if (request.le32(8) != kConfirmationWord) {
                return refuse(kUnitErrorBadConfirmation);
            }
            if (request.le32(4) >= FlashModel::kCapacity) {
                return refuse(kUnitErrorAddressRange);
            }
            flash.writeAddress = request.le32(4);
            flash.writeAddressSet = true;
            break;

        case kCmdWriteBlock: {
            const std::size_t count = request.lengthByte();
            if (count % 4 != 0 || count > std::size_t{kMaxBlockWords} * 4 ||
                !request.has(4 + count)) {
                return refuse(kUnitErrorBadRequest);
            }
            if (const std::uint32_t blocker = flashBlocker(true); blocker != 0) {
                return refuse(blocker);
            }
            if (flash.writeAddress + count > FlashModel::kCapacity) {
                return refuse(kUnitErrorAddressRange);
            }
            const std::size_t end = flash.writeAddress + count;
            if (flash.contents.size() < end) {
                flash.contents.resize(end, 0xFF);
            }
            std::copy_n(requestBytes + 4, count, flash.contents.begin() + flash.writeAddress);
            flash.writeAddress += static_cast<std::uint32_t>(count);
            flash.bytesWritten += count;
            break;
        }

        case kCmdReadControllerInfo:
            if (request.lengthByte() != 8 || !request.has(12) ||
                request.le32(4) != kControllerInfoCount ||
                request.le32(8) != kControllerInfoOffset) {
                return refuse(kUnitErrorBadRequest);
            }
            if (!controllerAttached()) {
                return refuse(kUnitErrorNoController);
            }
            reply.block(4, controllerInfo.data(), controllerInfo.size());
            break;

        case kCmdReadControllerIdentity:
            if (request.lengthByte() != 0) {
                return refuse(kUnitErrorBadRequest);
            }
            if (!controllerAttached()) {
                return refuse(kUnitErrorNoController);
            }
            reply.block(4, controllerIdentity.data(), controllerIdentity.size());
            break;

        default:
            return refuse(kUnitErrorBadRequest);
    }

    echoSwitches();
    if (fault != nullptr && fault->kind == FaultKind::WrongEcho && replyBytes.size() > 3) {
        replyBytes[3] ^= 0x01;
    }
    return true;
}

}  // namespace talo::sim
