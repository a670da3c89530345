#include "tests/update/updater_fixture.h"

#include "ui/control_ids.h"
#include "update/readiness.h"

namespace talo::test {

sim::DeviceId UpdaterTest::startWith(sim::SimulatedUnit unit) {
    const sim::DeviceId id = hid.addUnit(std::move(unit));
    evaluateReadiness(context, EvaluationCaller::StartUp);
    return id;
}

std::vector<std::string> UpdaterTest::milestones() const {
    const std::string statusPane = "setControlText " + std::to_string(kIdStatusPane);
    const std::string firstVersion = "setControlText " + std::to_string(kIdUnitVersion);
    const std::string update = "enable " + std::to_string(kIdUpdate);
    std::vector<std::string> steps;
    for (const std::string& line : window.log()) {
        if (line.starts_with(statusPane)) {
            steps.push_back("status");
        } else if (line.starts_with(firstVersion)) {
            steps.push_back("panel");
        } else if (line.starts_with(update)) {
            steps.push_back(line.ends_with(" 1") ? "enable" : "disable");
        } else if (line.starts_with("messageBox")) {
            steps.push_back("box");
        }
    }
    return steps;
}

bool UpdaterTest::notify(std::uint32_t eventCode, sim::DeviceId id) {
    const DeviceNotification record{kDeviceTypeInterface, hid.path(id)};
    return onDeviceChange(context, eventCode, &record);
}

void UpdaterTest::clearRecords(sim::DeviceId id) {
    window.clearLog();
    clock.clearPauses();
    hid.unit(id).clearLog();
}

}  // namespace talo::test
