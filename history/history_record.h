#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "update/update_journal.h"
#include "update/updater_context.h"

namespace talo {

// What every record of one program shares: who wrote, and which image.
struct RecordSource {
    std::string program;  // "talo-flash", "talo-updater", ...
    std::string imageVersion;
    std::string imageSha256;  // lower-case hex
};

// The source for a program carrying `image` (version kImageVersion).
RecordSource recordSource(std::string program, const FirmwareImage& image);

// One history line (without its line break) for an attempt that started at `start`: UTC time,
// program, unit, controller identity, versions before and after, image, result, duration.
// docs/talo-flash-json.md lists the fields.
std::string historyLine(const UpdateAttempt& attempt, const RecordSource& source,
                        std::chrono::system_clock::time_point start);

// "2024-05-01T12:34:56Z".
std::string utcTimestamp(std::chrono::system_clock::time_point time);

// Lower-case names of the steps as records and JSON output carry them ("erase", "write", ...).
std::string_view stepName(UpdateStep step);

}  // namespace talo
