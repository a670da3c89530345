#include "tests/update/updater_fixture.h"

#include <algorithm>

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

void RecordingView::situationFound(Readiness outcome, std::int32_t, const DeviceSession&) {
    events.push_back("found " + nameOf(outcome));
}

void RecordingView::offerUpdate(bool offered) {
    events.push_back(offered ? "offer 1" : "offer 0");
}

void RecordingView::showGuidance(Guidance guidance) {
    events.push_back("guidance " + nameOf(guidance));
}

void RecordingView::showVersions(const DeviceSession& session) {
    events.push_back(session.isOpen() ? "versions open" : "versions none");
}

void RecordingView::noticeIncompatible() {
    modal("notice");
}

bool RecordingView::confirmOverwrite() {
    modal("question");
    return answerYes;
}

void RecordingView::stepBegins(UpdateStep step) {
    events.push_back("step " + nameOf(step));
}

void RecordingView::progressAdvanced(unsigned percent, std::size_t, std::size_t) {
    events.push_back("progress " + std::to_string(percent));
    percents.push_back(percent);
}

void RecordingView::updateFailed(UpdateStep step, std::int32_t result, std::uint32_t systemError) {
    modal("failed " + nameOf(step) + " " + std::to_string(result) + " " +
          std::to_string(systemError));
}

std::vector<std::string> RecordingView::milestones() const {
    std::vector<std::string> kept;
    std::copy_if(events.begin(), events.end(), std::back_inserter(kept), [](const auto& event) {
        return !event.starts_with("progress ") || event == "progress begins" ||
               event == "progress ends";
    });
    return kept;
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
