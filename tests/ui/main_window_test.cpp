#include "ui/main_window.h"

#include <gtest/gtest.h>

#include "device/device_notification.h"
#include "device/session.h"
#include "resources/messages.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "tests/support/recording_window.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo {
namespace {

using test::RecordingWindow;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { resetSession(session_); }

    sim::DeviceId plugReadyUnit() { return hid_.addUnit(sim::makeUnit(sim::Situation::Ready)); }

    sim::VirtualClock clock_;
    sim::SimHidPlatform hid_{clock_};
    DeviceSession session_;
    RecordingWindow window_;
    MainWindow mainWindow_{window_, {hid_, clock_}, session_, {}};
};

// Icon, title and labels first, then the registration, then the start-up evaluation.
TEST_F(MainWindowTest, InitialisesTheWindowThenEvaluatesTheUnit) {
    plugReadyUnit();
    EXPECT_EQ(mainWindow_.onInitDialog(), 1);
    EXPECT_TRUE(window_.loggedInOrder(
        {"setClassIcon", "setTitle MERIDOVAN TALO Max 150 Firmware Updater 1.8",
         "setControlText 40010 Programmiereinheit", "setControlText 1005 Regler-Bootloader",
         "setControlText 40011 Regler", "registerDeviceNotification", "enable 1002 1"}));
    EXPECT_TRUE(window_.logOf("endDialog").empty());
}

TEST_F(MainWindowTest, FailedRegistrationShowsOnlyTheErrorBoxAndEnds) {
    const sim::DeviceId unit = plugReadyUnit();
    window_.registrationFails = true;
    EXPECT_EQ(mainWindow_.onInitDialog(), 1);
    EXPECT_EQ(window_.boxTexts, std::vector{std::u16string(catalogueText(kMsgRegistrationFailed))});
    EXPECT_EQ(hid_.openAttempts(unit), 0u);
    EXPECT_TRUE(window_.loggedInOrder({"messageBox Error Fehler in der Anwendung", "endDialog 1"}));
}

// "Beenden" (also the close box and Escape) releases notification and device, then ends;
// "Update" hands over to the update; every other command is ignored.
TEST_F(MainWindowTest, CommandsEndRunTheUpdateOrAreIgnored) {
    mainWindow_.onInitDialog();
    window_.log.clear();
    for (int id : {0, 1, 3, kIdUnitLabel, kIdStatusPane, kIdVersionGroup, 0xFFFF}) {
        EXPECT_EQ(mainWindow_.onCommand(id), 0) << id;
    }
    EXPECT_TRUE(window_.log.empty());
    EXPECT_EQ(mainWindow_.onCommand(kIdUpdate), 1);
    EXPECT_EQ(window_.boxTexts.back(), catalogueText(kMsgUnitUnavailable));

    const sim::DeviceId unit = plugReadyUnit();
    const DeviceNotification arrival{kDeviceTypeInterface, hid_.path(unit)};
    EXPECT_EQ(mainWindow_.onDeviceChange(kDeviceArrival, &arrival), 1);
    EXPECT_EQ(mainWindow_.onDeviceChange(0x0007, nullptr), 0);  // DBT_DEVNODES_CHANGED
    ASSERT_TRUE(session_.isOpen());
    EXPECT_EQ(mainWindow_.onCommand(kIdQuit), 1);
    EXPECT_EQ(mainWindow_.onCommand(kIdQuit), 1);  // a second one releases nothing twice
    EXPECT_EQ(window_.logOf("unregisterDeviceNotification").size(), 1u);
    EXPECT_EQ(hid_.openHandles(unit), 0u);
    EXPECT_TRUE(window_.loggedInOrder({"unregisterDeviceNotification", "endDialog 2"}));
}

TEST_F(MainWindowTest, RetryTimerLooksAgainOnlyWhileAUnitIsBusyElsewhere) {
    mainWindow_.onInitDialog();
    EXPECT_FALSE(mainWindow_.onRetryTimer());  // no unit at all: arrivals will tell

    const sim::DeviceId unit = plugReadyUnit();
    hid_.setClaimedElsewhere(unit, true);
    const DeviceNotification arrival{kDeviceTypeInterface, hid_.path(unit)};
    mainWindow_.onDeviceChange(kDeviceArrival, &arrival);
    EXPECT_EQ(window_.statusText(), catalogueText(kMsgUnitBusy));
    EXPECT_TRUE(mainWindow_.onRetryTimer());
    EXPECT_EQ(window_.statusText(), catalogueText(kMsgUnitBusy));

    hid_.setClaimedElsewhere(unit, false);
    EXPECT_TRUE(mainWindow_.onRetryTimer());
    EXPECT_EQ(window_.statusText(), catalogueText(kMsgReady));
    EXPECT_TRUE(window_.isEnabled(kIdUpdate));
    EXPECT_FALSE(mainWindow_.onRetryTimer());
}

// Only the controller row gets the background brush; one brush for the window's life.
TEST_F(MainWindowTest, OnlyTheControllerRowGetsOneBrushReleasedWithTheWindow) {
    {
        MainWindow painted(window_, {hid_, clock_}, session_, {});
        const BrushHandle brush = painted.onCtlColorStatic(kIdControllerLabel);
        EXPECT_NE(brush, 0u);
        EXPECT_EQ(painted.onCtlColorStatic(kIdControllerVersion), brush);
        EXPECT_EQ(window_.liveBrushes.size(), 1u);
        for (int id : {kIdUnitLabel, kIdBootloaderLabel, kIdUnitVersion, kIdBootloaderVersion,
                       kIdStatusCaption, kIdStatusPane, kIdVersionGroup}) {
            EXPECT_EQ(painted.onCtlColorStatic(id), 0u) << id;
        }
    }
    EXPECT_EQ(window_.liveBrushes.size(), 0u);
}

struct LogoCase {
    const char* name;
    int bitmapWidth;
    int bitmapHeight;
    ScreenRect window;
    ScreenRect groupBox;
    LogoPlacement expected;
};

// Half the bitmap where there is room, less where there is not, in proportion and truncated in
// single precision; nothing when there is no room or no bitmap.
TEST(LogoPlacementTest, ScalesIntoTheSpaceRightOfTheGroupBox) {
    const LogoCase cases[] = {
        {"Wide", 365, 122, {100, 50, 600, 450}, {125, 90, 330, 185}, {247, 21, 182, 60}},
        {"Narrow", 365, 122, {0, 0, 440, 400}, {20, 40, 330, 140}, {347, 21, 100, 33}},
        // 6 / 19 * 190 is 60 exactly, but 59.9999962 in single precision.
        {"SinglePrecision", 19, 190, {0, 0, 216, 300}, {10, 10, 200, 100}, {217, -9, 6, 59}},
        {"NoRoom", 365, 122, {0, 0, 300, 300}, {10, 10, 295, 100}, {312, -9, 0, 0}},
        {"NoWidth", 0, 122, {0, 0, 300, 300}, {0, 0, 10, 10}, {27, -19, 0, 0}},
        {"NoHeight", 365, 0, {0, 0, 300, 300}, {0, 0, 10, 10}, {27, -19, 0, 0}},
        {"OnePixelHigh", 365, 1, {0, 0, 300, 300}, {0, 0, 10, 10}, {27, -19, 182, 0}},
    };
    for (const LogoCase& c : cases) {
        const LogoPlacement got =
            logoPlacement(c.bitmapWidth, c.bitmapHeight, c.window, c.groupBox, 3, 19);
        EXPECT_EQ((std::array{got.x, got.y, got.width, got.height}),
                  (std::array{c.expected.x, c.expected.y, c.expected.width, c.expected.height}))
            << c.name;
    }
}

// On a high-DPI screen the logo, its gap and its margin grow with the screen's scale.
TEST(LogoPlacementTest, HighDpiScalesSizeGapAndMargin) {
    const ScreenRect groupBox{140, 100, 500, 240};
    const LogoPlacement wide = logoPlacement(365, 122, {100, 50, 900, 600}, groupBox, 4, 29, 144);
    EXPECT_EQ((std::array{wide.x, wide.width, wide.height}),
              (std::array{500 - (100 + 4) + 30, 273, 91}));
    EXPECT_EQ(logoPlacement(365, 122, {100, 50, 700, 600}, groupBox, 4, 29, 192).width, 180);
}

}  // namespace
}  // namespace talo
