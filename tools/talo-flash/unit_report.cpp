#include "unit_report.h"

#include "device/session.h"
#include "device/utf8_text.h"
#include "ui/version_text.h"
#include "update/update_sequence.h"

namespace talo::flash {

UnitReport examineUnit(UpdaterContext& context, ConsoleView& view,
                       const std::vector<ExaminedDevice>& present) {
    UnitReport report;
    report.readiness = evaluateReadiness(context, EvaluationCaller::StartUp);
    report.openResult = view.openResult();
    const DeviceSession& found = view.foundSession();
    report.unitOpened = found.isOpen();
    if (found.isOpen()) {
        report.path = found.devicePath.value_or(std::u16string());
        report.productId = found.productId;
        report.id = toUtf8Lossy(report.path);
        for (const ExaminedDevice& unit : present) {
            if (unit.path == report.path) {
                report.serial = unit.serial;
                report.id = unitId(unit);
            }
        }
        // The version panel's texts of the unit as found.
        report.unitLabel = unitModelName(found.productId);
        report.unitVersion = versionText32(unitVersionForDisplay(found.unitFirmwareVersion));
        report.bootloaderVersion = versionText32(found.controllerBootloaderVersion());
        report.controllerVersion = controllerFirmwareText(found.controllerFirmwareVersion());
    }
    report.asksBeforeWriting = report.readiness == Readiness::Ready &&
                               asksBeforeWriting(found.controllerFirmwareVersion());
    report.notice = view.notice();
    report.guidance = view.guidance();
    return report;
}

const char* situationName(Readiness readiness) {
    switch (readiness) {
        case Readiness::NoDevice:
            return "no-unit";
        case Readiness::WrongMode:
            return "wrong-mode";
        case Readiness::NoController:
            return "no-controller";
        case Readiness::IncompatibleController:
            return "incompatible";
        case Readiness::UnitBusy:
            return "unit-busy";
        case Readiness::Ready:
            break;
    }
    return "ready";
}

ExitCode exitCodeFor(Readiness readiness) {
    switch (readiness) {
        case Readiness::Ready:
            return ExitCode::Success;
        case Readiness::NoDevice:
            return ExitCode::NoUnit;
        case Readiness::UnitBusy:
            return ExitCode::UnitBusy;
        default:
            return ExitCode::NotReady;
    }
}

}  // namespace talo::flash
