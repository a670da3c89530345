#include <optional>

#include "device/session.h"
#include "unit_report_output.h"
#include "unit_scan.h"
#include "verb.h"

namespace talo::flash {
namespace {

class InfoVerb final : public Verb {
  public:
    std::string_view name() const override { return "info"; }
    std::string_view help() const override {
        return "the unit's model, the three firmware versions and the situation with its "
               "guidance";
    }

    VerbResult execute(Invocation& invocation) override {
        const std::vector<ExaminedDevice> present = presentUnits(*invocation.hid);
        std::optional<std::u16string> path;
        if (invocation.args.unit) {
            const ExaminedDevice* unit = findUnit(present, *invocation.args.unit);
            if (unit == nullptr) {
                return {ExitCode::NoUnit, unknownUnitMessage(*invocation.args.unit, present)};
            }
            path = unit->path;
        }
        SelectedUnitHid hid(*invocation.hid, path);
        DeviceSession session;
        ConsoleView view(invocation.console, false, invocation.args.json);
        DeviceLink link{hid, invocation.clock};
        UpdaterContext context{link, session, view, invocation.image};
        const UnitReport report = examineUnit(context, view, present);
        closeSession(link, session);

        if (invocation.args.json) {
            addUnitJson(invocation.json, report);
        } else {
            printUnit(invocation.console.out, report);
            printGuidance(invocation.console.out, report);
        }
        return situationResult(report.readiness);
    }
};

}  // namespace

std::unique_ptr<Verb> makeInfoVerb() {
    return std::make_unique<InfoVerb>();
}

}  // namespace talo::flash
