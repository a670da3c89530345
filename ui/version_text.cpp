#include "ui/version_text.h"

#include <array>

#include "device/device_session.h"
#include "ui/format_text.h"

namespace talo {
namespace {

std::uint32_t byteAt(std::uint32_t value, int index) {
    return (value >> (8 * index)) & 0xFFu;
}

std::u16string formatted(std::u16string_view format, std::initializer_list<FormatArg> args) {
    std::array<char16_t, kVersionTextCapacity> buffer{};
    formatText(buffer.data(), buffer.size(), format, args);  // a refused text stays empty
    return std::u16string(buffer.data());
}

}  // namespace

std::u16string versionText32(std::uint32_t version) {
    const std::uint32_t top = byteAt(version, 3);
    if (top != 0) {
        return formatted(u"%u.%u.%u", {top, byteAt(version, 1), byteAt(version, 0)});
    }
    return formatted(u"%u.%u", {byteAt(version, 1), byteAt(version, 0)});
}

std::uint32_t unitVersionForDisplay(std::uint32_t unitFirmwareVersion) {
    if (byteAt(unitFirmwareVersion, 0) == 0) {
        return unitFirmwareVersion >> 8;
    }
    return unitFirmwareVersion;
}

std::u16string controllerFirmwareText(std::uint16_t version) {
    if (version == kNoFirmwareVersion) {
        return kNoControllerFirmwareText;
    }
    return formatted(u"%u.%u", {byteAt(version, 1), byteAt(version, 0)});
}

std::u16string_view unitModelName(std::uint16_t productId) {
    return productId == kProductTunePuck ? u"TUNEPUCK" : u"TUNE-CARD";
}

}  // namespace talo
