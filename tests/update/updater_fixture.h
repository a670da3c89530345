#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "device/device_notification.h"
#include "device/device_session.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "update/readiness.h"
#include "update/updater_context.h"
#include "update/updater_view.h"

namespace talo::test {

inline std::string nameOf(Readiness outcome) {
    return std::array{"NoDevice", "WrongMode", "NoController", "IncompatibleController",
                      "Ready",    "UnitBusy"}[static_cast<std::size_t>(outcome)];
}
inline std::string nameOf(Guidance guidance) {
    return std::array{"NoUnit", "WrongMode",      "NoController", "Incompatible",
                      "Ready",  "ConnectionLost", "UnitBusy"}[static_cast<std::size_t>(guidance)];
}
inline std::string nameOf(UpdateStep step) {
    return std::array{
        "NoUnit", "NoImage",         "Claim", "Lock",   "Unprotect",
        "Erase",  "SetWriteAddress", "Write", "Restore"}[static_cast<std::size_t>(step)];
}
inline std::string failureLine(UpdateStep step, std::int32_t result, std::uint32_t systemError) {
    return "failed " + nameOf(step) + " " + std::to_string(result) + " " +
           std::to_string(systemError);
}

// Records what the evaluation and the update tell their view, one line per call:
//   found <outcome>   offer <0|1>   guidance <name>   versions <open|none>   notice   question
//   write begins   write ends   step <name>   progress begins   progress ends
//   failed <step> <result> <system error>   succeeded
// and the progress positions apart, in `percents`. The overwrite question is answered from
// `answerYes`; `whileModal` runs inside the next modal call (notice, question, failure), as a
// message box's loop would deliver a device event.
class RecordingView final : public UpdaterView {
  public:
    std::vector<std::string> events;
    bool answerYes = true;
    std::function<void()> whileModal;
    std::vector<unsigned> percents;

    void situationFound(Readiness outcome, std::int32_t, const DeviceSession&) override {
        events.push_back("found " + nameOf(outcome));
    }
    void offerUpdate(bool offered) override { events.push_back(offered ? "offer 1" : "offer 0"); }
    void showGuidance(Guidance guidance) override {
        events.push_back("guidance " + nameOf(guidance));
    }
    void showVersions(const DeviceSession& session) override {
        events.push_back(session.isOpen() ? "versions open" : "versions none");
    }
    void noticeIncompatible() override { modal("notice"); }
    bool confirmOverwrite() override {
        modal("question");
        return answerYes;
    }
    void writeBegins() override { events.push_back("write begins"); }
    void writeEnds() override { events.push_back("write ends"); }
    void stepBegins(UpdateStep step) override { events.push_back("step " + nameOf(step)); }
    void progressBegins() override { events.push_back("progress begins"); }
    void progressAdvanced(unsigned percent, std::size_t, std::size_t) override {
        percents.push_back(percent);
    }
    void progressEnds() override { events.push_back("progress ends"); }
    void updateFailed(UpdateStep step, std::int32_t result, std::uint32_t systemError) override {
        modal(failureLine(step, result, systemError));
    }
    void updateSucceeded() override { events.push_back("succeeded"); }

  private:
    void modal(const std::string& event) {
        events.push_back(event);
        if (auto hook = std::exchange(whileModal, nullptr)) {
            hook();
        }
    }
};

using Events = std::vector<std::string>;

// The evaluation and the update over the simulated HID stack and a virtual clock, told to a
// recording view. The fixture keeps the system awake for the update and tells the view so, as
// "hold" and "release", each with " claimed" while the unit is claimed exclusively.
class UpdaterTest : public ::testing::Test, public SystemAwake {
  protected:
    void SetUp() override { resetSession(session); }

    // Plugs in a unit of the given situation and runs the start-up evaluation.
    sim::DeviceId startWith(sim::SimulatedUnit unit) {
        const sim::DeviceId id = hid.addUnit(std::move(unit));
        evaluateReadiness(context, EvaluationCaller::StartUp);
        return id;
    }
    // Delivers a device-interface event naming the device's path; returns onDeviceChange's answer.
    bool notify(std::uint32_t eventCode, sim::DeviceId id) {
        const DeviceNotification record{kDeviceTypeInterface, hid.path(id)};
        return onDeviceChange(context, eventCode, &record);
    }
    // Forgets what happened so far, so a test sees only its own steps.
    void forget(sim::DeviceId id) {
        view.events.clear();
        view.percents.clear();
        clock.clearPauses();
        hid.unit(id).clearLog();
    }
    std::string claimed() const {
        return hid.claimOf(session.handle) == UnitClaim::Exclusive ? " claimed" : "";
    }
    void hold() override { view.events.push_back("hold" + claimed()); }
    void release() override { view.events.push_back("release" + claimed()); }

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    DeviceSession session;
    RecordingView view;
    UpdaterContext context{DeviceLink{hid, clock}, session, view, FirmwareImage{}, this};
};

}  // namespace talo::test
