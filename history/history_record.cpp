#include "history/history_record.h"

#include <cstdio>
#include <ctime>

#include "device/utf8_text.h"
#include "history/sha256.h"
#include "ui/version_text.h"

namespace talo {
namespace {

using Json = nlohmann::ordered_json;

std::string hexBytes(const std::uint8_t* bytes, std::size_t size) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

std::string hex32(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

Json versions(const DeviceSession& unit, std::uint16_t controllerVersion) {
    return Json{
        {"unit", toUtf8Lossy(versionText32(unitVersionForDisplay(unit.unitFirmwareVersion)))},
        {"bootloader", toUtf8Lossy(versionText32(unit.controllerBootloaderVersion()))},
        {"controller", toUtf8Lossy(controllerFirmwareText(controllerVersion))},
    };
}

}  // namespace

RecordSource recordSource(std::string program, const FirmwareImage& image) {
    return {std::move(program), toUtf8Lossy(controllerFirmwareText(kImageVersion)),
            toHex(sha256(image.data, image.size))};
}

std::string_view stepName(UpdateStep step) {
    switch (step) {
        case UpdateStep::NoUnit:
            return "no-unit";
        case UpdateStep::NoImage:
            return "no-image";
        case UpdateStep::Claim:
            return "claim";
        case UpdateStep::Lock:
            return "lock";
        case UpdateStep::Unprotect:
            return "unprotect";
        case UpdateStep::Erase:
            return "erase";
        case UpdateStep::SetWriteAddress:
            return "write-address";
        case UpdateStep::Write:
            return "write";
        case UpdateStep::Restore:
            break;
    }
    return "restore";
}

std::string utcTimestamp(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string historyLine(const UpdateAttempt& attempt, const RecordSource& source,
                        std::chrono::system_clock::time_point start) {
    const DeviceSession& unit = attempt.unit;
    Json record;
    record["time"] = utcTimestamp(start);
    record["program"] = source.program;
    record["unit"] = Json{
        {"model", toUtf8Lossy(unitModelName(unit.productId))},
        {"productId", unit.productId},
        {"serial",
         attempt.serialNumber.empty() ? Json(nullptr) : Json(toUtf8Lossy(attempt.serialNumber))},
        {"path", toUtf8Lossy(unit.devicePath.value_or(std::u16string()))},
    };
    record["controller"] = Json{
        {"identity", hexBytes(unit.controllerIdentity.data(), unit.controllerIdentity.size())},
        {"typeCode", hex32(unit.controllerTypeCode())},
    };
    record["before"] = versions(unit, unit.controllerFirmwareVersion());
    record["after"] = attempt.written ? versions(unit, kImageVersion) : Json(nullptr);
    record["image"] = Json{{"version", source.imageVersion}, {"sha256", source.imageSha256}};
    if (attempt.written) {
        record["result"] = "written";
    } else {
        record["result"] = "failed";
        record["failure"] = Json{
            {"step", stepName(attempt.failedStep)},
            {"result", attempt.result},
            {"systemError", attempt.systemError},
        };
    }
    record["durationMs"] = attempt.durationMicros / 1000;
    return record.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace talo
