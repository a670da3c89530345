#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/device_notification.h"
#include "device/device_session.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "tests/support/recording_window.h"
#include "ui/window_updater_view.h"
#include "update/updater_context.h"

namespace talo::test {

// One program run around the simulated HID stack, a virtual clock and the recording window.
class UpdaterTest : public ::testing::Test {
  protected:
    void SetUp() override { resetSession(session); }

    // Plugs in a unit of the given situation and runs the start-up evaluation.
    sim::DeviceId startWith(sim::SimulatedUnit unit);

    // The window's key steps in order: "status" (pane written), "enable"/"disable" (Update),
    // "panel" (version panel rewritten), "box" (message box shown).
    std::vector<std::string> milestones() const;

    // Delivers a device-interface event naming the device's path; returns onDeviceChange's answer.
    bool notify(std::uint32_t eventCode, sim::DeviceId id);
    // Forget what start-up did, so a test sees only its own steps.
    void clearRecords(sim::DeviceId id);

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    DeviceSession session;
    RecordingWindow window;
    // The window's own view of the evaluation and the update: the tests check the window calls
    // the logic leads to, in order.
    WindowUpdaterView view{window};
    UpdaterContext context{DeviceLink{hid, clock}, session, view, FirmwareImage{}};
};

}  // namespace talo::test
