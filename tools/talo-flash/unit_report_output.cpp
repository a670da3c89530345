#include "unit_report_output.h"

#include "text_output.h"
#include "ui/main_window.h"

namespace talo::flash {
namespace {

void printRow(std::ostream& out, std::u16string_view label, const std::u16string& value) {
    std::string line = "  " + toUtf8Lossy(label);
    // Pad by characters, not bytes: labels may hold umlauts.
    std::size_t width = label.size();
    while (width++ < 20) {
        line += ' ';
    }
    out << line << toUtf8Lossy(value) << '\n';
}

}  // namespace

void printUnit(std::ostream& out, const UnitReport& report) {
    if (report.unitOpened) {
        out << "unit:       " << toUtf8Lossy(report.unitLabel) << " (product " << report.productId
            << ")  " << report.id << '\n';
        out << "versions:\n";
        printRow(out, report.unitLabel, report.unitVersion);
        printRow(out, kBootloaderRowLabel, report.bootloaderVersion);
        printRow(out, kControllerRowLabel, report.controllerVersion);
    }
    out << "situation:  " << situationName(report.readiness);
    if (report.asksBeforeWriting) {
        out << " (the controller's firmware is not older than the carried one)";
    }
    out << "\n\n";
}

void printGuidance(std::ostream& out, const UnitReport& report) {
    if (report.notice) {
        out << toTerminalText(report.notice->caption) << '\n'
            << toTerminalText(report.notice->text) << "\n\n";
    }
    out << toTerminalText(report.guidance) << '\n';
}

void addUnitJson(Json& json, const UnitReport& report) {
    json["situation"] = situationName(report.readiness);
    json["openResult"] = report.openResult;
    if (report.unitOpened) {
        json["unit"] = Json{
            {"id", report.id},
            {"serial", report.serial.empty() ? Json(nullptr) : Json(utf8(report.serial))},
            {"model", utf8(report.unitLabel)},
            {"productId", report.productId},
            {"path", utf8(report.path)},
        };
        json["versions"] = Json{
            {"unit", utf8(report.unitVersion)},
            {"controllerBootloader", utf8(report.bootloaderVersion)},
            {"controller", utf8(report.controllerVersion)},
        };
    } else {
        json["unit"] = nullptr;
    }
    json["downgradeQuestion"] = report.asksBeforeWriting;
    if (report.notice) {
        json["notice"] =
            Json{{"caption", utf8(report.notice->caption)}, {"text", utf8(report.notice->text)}};
    }
    json["guidance"] = utf8(report.guidance);
}

VerbResult situationResult(Readiness readiness) {
    const ExitCode code = exitCodeFor(readiness);
    if (code == ExitCode::Success) {
        return {};
    }
    if (code == ExitCode::NoUnit) {
        return {code, "no programming unit found"};
    }
    if (code == ExitCode::UnitBusy) {
        return {code, "the unit is being written by another program"};
    }
    return {code, std::string("not ready: ") + situationName(readiness)};
}

}  // namespace talo::flash
