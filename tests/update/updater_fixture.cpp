#include "tests/update/updater_fixture.h"

#include "update/readiness.h"

namespace talo::test {

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
