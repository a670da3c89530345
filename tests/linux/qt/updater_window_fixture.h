#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/qt/sim_notification_source.h"
#include "platform/linux/qt/updater_window.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "tests/linux/qt/message_box_script.h"

namespace talo::qt::test {

// A catalogue text as the window shows it in a box (line breaks as LF).
QString boxText(std::uint16_t id);
// A catalogue text exactly as stored.
std::u16string catalogue(std::uint16_t id);

// The status pane shows the situation's message, a blank line and the instructions.
::testing::AssertionResult showsGuidance(const QtWindowOps& ops, std::uint16_t situation);
// The status pane shows the catalogue text of `id` alone.
::testing::AssertionResult showsMessageAlone(const QtWindowOps& ops, std::uint16_t id);

// Number of pure red pixels of `image` inside `area`.
int redPixels(const QImage& image, const QRect& area);

// The updater window over simulated units on a virtual clock, on the offscreen platform.
class UpdaterWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    sim::DeviceId plug(sim::Situation situation);
    // Creates the window and runs its initialisation; shows it unless it ended.
    void start();
    // Lets the event loop deliver queued device notifications.
    static void settle();
    // Saves an image of the main window as <screenshot dir>/<name>.png and checks it exists.
    void saveScreenshot(const QString& name);
    void clickUpdate();

    UpdaterDialog& dialog() { return window->dialog(); }
    QtWindowOps& ops() { return window->ops(); }
    QRect controlRect(int id);

    sim::VirtualClock clock;
    std::unique_ptr<sim::SimHidPlatform> hid;
    std::unique_ptr<SimNotificationSource> notifications;
    std::unique_ptr<UpdaterWindow> window;
    std::unique_ptr<MessageBoxScript> boxes;
};

}  // namespace talo::qt::test
