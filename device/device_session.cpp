#include "device/device_session.h"

#include "device/byte_order.h"

namespace talo {

std::uint16_t DeviceSession::controllerFirmwareVersion() const {
    return readLe16(&controllerInfo[4]);
}

void DeviceSession::setControllerFirmwareVersion(std::uint16_t version) {
    writeLe16(&controllerInfo[4], version);
}

std::uint32_t DeviceSession::controllerTypeCode() const {
    return readLe32(&controllerIdentity[0]);
}

std::uint32_t DeviceSession::controllerBootloaderVersion() const {
    return readLe32(&controllerIdentity[4]);
}

void resetSession(DeviceSession& session) {
    session = DeviceSession{};
}

}  // namespace talo
