#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console_view.h"
#include "exit_codes.h"
#include "unit_scan.h"
#include "update/readiness.h"
#include "update/updater_context.h"

namespace talo::flash {

// What the window would show after its start-up evaluation: the situation, the version panel
// and the guidance text of the status pane, plus the incompatible-model notice.
struct UnitReport {
    Readiness readiness = Readiness::NoDevice;
    std::int32_t openResult = 0;
    bool unitOpened = false;  // a unit was opened, even if identifying it failed
    std::u16string path;
    std::u16string serial;  // the unit's USB serial number; empty when it has none
    std::string id;         // the serial number when there is one, else the path (UTF-8)
    std::uint16_t productId = 0;
    std::u16string unitLabel;  // the unit's model name as the version panel's first row shows it
    std::u16string unitVersion;
    std::u16string bootloaderVersion;
    std::u16string controllerVersion;
    bool asksBeforeWriting = false;  // the update would ask before overwriting
    std::u16string guidance;         // status pane text, CR LF line breaks
    std::optional<ShownBox> notice;  // incompatible controller only
};

// Runs the window's start-up evaluation with `view` (which must be context.view) and reports
// on the unit found. The session stays open only when the outcome is Ready, as in the window.
// The unit's serial number is taken from `present`, the units seen before (may be empty).
UnitReport examineUnit(UpdaterContext& context, ConsoleView& view,
                       const std::vector<ExaminedDevice>& present);

// "no-unit", "wrong-mode", "no-controller", "incompatible", "ready".
const char* situationName(Readiness readiness);

ExitCode exitCodeFor(Readiness readiness);

}  // namespace talo::flash
