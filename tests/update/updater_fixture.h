#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/device_notification.h"
#include "device/device_session.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "tests/update/recording_view.h"
#include "update/updater_context.h"

namespace talo::test {

using Events = std::vector<std::string>;

// The evaluation and the update over the simulated HID stack and a virtual clock, told to a
// recording view.
class UpdaterTest : public ::testing::Test {
  protected:
    void SetUp() override { resetSession(session); }

    // Plugs in a unit of the given situation and runs the start-up evaluation.
    sim::DeviceId startWith(sim::SimulatedUnit unit);
    // Delivers a device-interface event naming the device's path; returns onDeviceChange's answer.
    bool notify(std::uint32_t eventCode, sim::DeviceId id);
    // Forgets what happened so far, so a test sees only its own steps.
    void forget(sim::DeviceId id);

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    DeviceSession session;
    RecordingView view;
    UpdaterContext context{DeviceLink{hid, clock}, session, view, FirmwareImage{}};
};

}  // namespace talo::test
