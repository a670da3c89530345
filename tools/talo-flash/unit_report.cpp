#include "unit_report.h"

#include <array>

#include "device/session.h"
#include "ui/control_ids.h"
#include "ui/format_text.h"
#include "ui/main_window.h"
#include "ui/message_text.h"
#include "ui/status_pane.h"
#include "update/update_sequence.h"

namespace talo::flash {
namespace {

// The status pane as the start-up evaluation leaves it: the ready text alone, or the
// situation, a blank line and the numbered instructions.
std::u16string guidanceText(WindowOps& window, Readiness readiness) {
    std::u16string text = loadMessage(window, guidanceMessage(readiness));
    if (readiness != Readiness::Ready) {
        text += u"\r\n\r\n";
        text += loadMessage(window, kMsgInstructions);
    }
    return text;
}

ShownBox incompatibleNotice(WindowOps& window) {
    std::array<char16_t, kMessageCapacity> text{};
    formatText(text.data(), text.size(), loadMessage(window, kMsgIncompatibleText), {kModelName});
    return ShownBox{loadMessage(window, kMsgIncompatibleCaption), text.data(),
                    MessageBoxKind::Information, kAnswerOk};
}

}  // namespace

UnitReport examineUnit(UpdaterContext& context) {
    WindowOps& window = context.window;
    DeviceSession& session = context.session;
    UnitReport report;
    report.openResult = openSession(context.link, session);
    report.readiness = readinessOf(report.openResult, session);
    report.unitOpened = session.isOpen();
    if (session.isOpen()) {
        report.path = session.devicePath.value_or(std::u16string());
        report.productId = session.productId;
        window.setControlText(kIdUnitLabel, kUnitRowLabel);
        refreshVersionPanel(window, session);
        auto text = [&window](int id) {
            std::array<char16_t, 64> buffer{};
            window.getControlText(id, buffer.data(), static_cast<int>(buffer.size()));
            return std::u16string(buffer.data());
        };
        report.unitLabel = text(kIdUnitLabel);
        report.unitVersion = text(kIdUnitVersion);
        report.bootloaderVersion = text(kIdBootloaderVersion);
        report.controllerVersion = text(kIdControllerVersion);
    }
    report.asksBeforeWriting = report.readiness == Readiness::Ready &&
                               asksBeforeWriting(session.controllerFirmwareVersion());
    if (report.readiness != Readiness::Ready) {
        closeSession(context.link, session);
    }
    if (report.readiness == Readiness::IncompatibleController) {
        report.notice = incompatibleNotice(window);
    }
    report.guidance = guidanceText(window, report.readiness);
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
        default:
            return ExitCode::NotReady;
    }
}

}  // namespace talo::flash
