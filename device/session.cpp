#include "device/session.h"

#include <vector>

#include "device/byte_order.h"
#include "device/commands.h"

namespace talo {
namespace {

bool reportLengthsUsable(const DeviceSession& session) {
    return session.outputReportLength >= kMinOutputReportLength &&
           session.inputReportLength >= kMinInputReportLength &&
           session.outputReportLength <= kMaxReportLength &&
           session.inputReportLength <= kMaxReportLength;
}

void storeBootloaderIdentity(DeviceSession& session, const IdentifyAnswer& answer) {
    // Answer bytes 4..15 are packed without alignment; answer[i] is answer byte i + 3.
    session.bootInfoA = answer[1];
    session.bootInfoB = readLe16(&answer[2]);
    session.bootInfoC = readLe32(&answer[4]);
    session.bootInfoD = readLe32(&answer[8]);
    session.bootInfoE = answer[12];
}

void storeNormalIdentity(DeviceSession& session, const IdentifyAnswer& answer) {
    session.attachedType = readLe16(&answer[1]);
    session.attachedDetail = readLe16(&answer[3]);
    session.unitFirmwareVersion = readLe32(&answer[5]);
    session.unitInfoWord = readLe32(&answer[9]);
}

}  // namespace

std::uint16_t makerVendorId() {
    return TALO_USB_VENDOR_ID;
}

bool isProgrammingUnit(std::uint16_t vendorId, std::uint16_t productId) {
    return vendorId == makerVendorId() &&
           (productId == kProductTunePuck || productId == kProductTuneCard);
}

std::int32_t openSession(DeviceLink& link, DeviceSession& session) {
    closeSession(link, session);

    std::vector<std::u16string> paths;
    if (!link.hid.listInterfaces(paths)) {
        return kResultNoUnit;
    }
    for (const std::u16string& path : paths) {
        const HidHandle handle = link.hid.open(path);
        if (handle == kInvalidHidHandle) {
            continue;  // in use elsewhere or not accessible: pass over it
        }
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        if (!link.hid.attributes(handle, vendorId, productId) ||
            !isProgrammingUnit(vendorId, productId)) {
            link.hid.close(handle);
            continue;
        }
        if (!link.hid.claim(handle, UnitClaim::Shared)) {
            link.hid.close(handle);  // another program is writing it: not a word to it
            return kResultUnitBusy;
        }
        session.productId = productId;
        session.handle = handle;
        session.devicePath = path;
        const std::int32_t result = identifySession(link, session);
        link.hid.releaseClaim(handle);
        return result;
    }
    return kResultNoProgrammingUnit;
}

std::int32_t identifySession(DeviceLink& link, DeviceSession& session) {
    if (!session.isOpen() || !session.devicePath) {
        return kResultNoUnit;
    }
    std::uint32_t inputLength = 0;
    std::uint32_t outputLength = 0;
    if (!link.hid.reportLengths(session.handle, inputLength, outputLength)) {
        return kResultNoUnit;
    }
    session.outputReportLength = outputLength;
    session.inputReportLength = inputLength;
    if (!reportLengthsUsable(session)) {
        return kResultNoUnit;  // too short for the protocol, or implausibly long
    }

    IdentifyAnswer answer{};
    if (const std::int32_t result = Identify(link, session, answer); result != kResultOk) {
        return result;
    }
    session.unitMode = answer[0];

    if (session.unitMode != 0) {
        storeBootloaderIdentity(session, answer);
        UnitInfoBlock info{};
        if (const std::int32_t result = ReadUnitMemory(link, session, info); result != kResultOk) {
            return result;
        }
        session.unitFirmwareVersion = readLe32(&info[4]);
        session.unitInfoWord = readLe32(&info[8]);
        return kResultOk;
    }

    storeNormalIdentity(session, answer);
    if (session.attachedType != kAttachedController) {
        return kResultOk;
    }
    if (const std::int32_t result = ReadControllerInfo(link, session, session.controllerInfo);
        result != kResultOk) {
        return result;
    }
    return ReadControllerIdentity(link, session, session.controllerIdentity);
}

void closeSession(DeviceLink& link, DeviceSession& session) {
    if (session.isOpen()) {
        link.hid.close(session.handle);
    }
    resetSession(session);
}

}  // namespace talo
