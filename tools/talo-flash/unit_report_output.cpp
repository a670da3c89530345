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
            << ")  " << toUtf8Lossy(report.path) << '\n';
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

void writeUnitJson(JsonWriter& json, const UnitReport& report) {
    json.key("situation").value(situationName(report.readiness));
    json.key("openResult").value(std::int64_t{report.openResult});
    json.key("unit");
    if (report.unitOpened) {
        json.beginObject()
            .key("model")
            .value(report.unitLabel)
            .key("productId")
            .value(std::int64_t{report.productId})
            .key("path")
            .value(report.path)
            .endObject();
        json.key("versions")
            .beginObject()
            .key("unit")
            .value(report.unitVersion)
            .key("controllerBootloader")
            .value(report.bootloaderVersion)
            .key("controller")
            .value(report.controllerVersion)
            .endObject();
    } else {
        json.null();
    }
    json.key("downgradeQuestion").value(report.asksBeforeWriting);
    if (report.notice) {
        json.key("notice")
            .beginObject()
            .key("caption")
            .value(report.notice->caption)
            .key("text")
            .value(report.notice->text)
            .endObject();
    }
    json.key("guidance").value(report.guidance);
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
