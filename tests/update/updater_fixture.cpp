#include "tests/update/updater_fixture.h"

#include <utility>

#include "update/readiness.h"

namespace talo::test {

std::string nameOf(Readiness outcome) {
    constexpr const char* kNames[] = {
        "NoDevice", "WrongMode", "NoController", "IncompatibleController", "Ready", "UnitBusy"};
    return kNames[static_cast<int>(outcome)];
}

std::string nameOf(Guidance guidance) {
    constexpr const char* kNames[] = {"NoUnit", "WrongMode",      "NoController", "Incompatible",
                                      "Ready",  "ConnectionLost", "UnitBusy"};
    return kNames[static_cast<int>(guidance)];
}

std::string nameOf(UpdateStep step) {
    constexpr const char* kNames[] = {"NoUnit", "NoImage",         "Claim", "Lock",   "Unprotect",
                                      "Erase",  "SetWriteAddress", "Write", "Restore"};
    return kNames[static_cast<int>(step)];
}

void RecordingView::modal(const std::string& event) {
    events.push_back(event);
    if (whileModal) {
        auto hook = std::move(whileModal);
        whileModal = nullptr;
        hook();
    }
}

sim::DeviceId UpdaterTest::startWith(sim::SimulatedUnit unit) {
    const sim::DeviceId id = hid.addUnit(std::move(unit));
    evaluateReadiness(context, EvaluationCaller::StartUp);
    return id;
}

bool UpdaterTest::notify(std::uint32_t eventCode, sim::DeviceId id) {
    const DeviceNotification record{kDeviceTypeInterface, hid.path(id)};
    return onDeviceChange(context, eventCode, &record);
}

void UpdaterTest::forget(sim::DeviceId id) {
    view.events.clear();
    view.percents.clear();
    clock.clearPauses();
    hid.unit(id).clearLog();
}

}  // namespace talo::test
