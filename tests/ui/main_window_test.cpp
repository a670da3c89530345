#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <optional>

#include "device/device_notification.h"
#include "device/session.h"
#include "resources/messages.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "tests/support/recording_window.h"
#include "tests/support/window_assertions.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo {
namespace {

using test::logContainsInOrder;
using test::RecordingWindow;
using test::showsGuidance;
using test::showsMessageAlone;

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

TEST_F(MainWindowTest, InitialisesIconTitleAndLabelsBeforeRegistering) {
    EXPECT_EQ(mainWindow_.onInitDialog(), 1);
    EXPECT_TRUE(logContainsInOrder(
        window_.log(),
        {"setClassIcon", "setTitle MERIDOVAN TALO Max 150 Firmware Updater 1.8",
         "setControlText 40010 Programmiereinheit", "setControlText 1005 Regler-Bootloader",
         "setControlText 40011 Regler", "registerDeviceNotification"}));
}

TEST_F(MainWindowTest, StartUpEvaluatesAReadyUnit) {
    const sim::DeviceId unit = plugReadyUnit();
    mainWindow_.onInitDialog();
    EXPECT_TRUE(showsMessageAlone(window_, kMsgReady));
    EXPECT_TRUE(window_.isEnabled(kIdUpdate));
    EXPECT_EQ(hid_.openHandles(unit), 1u);
    EXPECT_EQ(window_.controlText(kIdUnitLabel), u"TUNEPUCK");
}

TEST_F(MainWindowTest, StartUpWithoutUnitShowsGuidance) {
    mainWindow_.onInitDialog();
    EXPECT_TRUE(showsGuidance(window_, kMsgNoUnitFound));
    EXPECT_FALSE(window_.isEnabled(kIdUpdate));
    EXPECT_FALSE(window_.dialogResult().has_value());
}

TEST_F(MainWindowTest, FailedRegistrationShowsOnlyTheErrorBoxAndEnds) {
    const sim::DeviceId unit = plugReadyUnit();
    window_.failRegistration();
    EXPECT_EQ(mainWindow_.onInitDialog(), 1);

    ASSERT_EQ(window_.boxes().size(), 1u);
    EXPECT_EQ(window_.boxes()[0].caption, catalogueText(kMsgApplicationErrorCaption));
    EXPECT_EQ(window_.boxes()[0].text, catalogueText(kMsgRegistrationFailed));
    EXPECT_EQ(window_.boxes()[0].kind, MessageBoxKind::Error);
    EXPECT_EQ(window_.dialogResult(), std::optional<std::intptr_t>(1));
    EXPECT_EQ(window_.statusText(), u"");
    EXPECT_EQ(hid_.openAttempts(unit), 0u);
    EXPECT_TRUE(window_.logOf("unregisterDeviceNotification").empty());
    EXPECT_TRUE(logContainsInOrder(window_.log(),
                                   {"loadString 40012", "loadString 40011",
                                    "messageBox Error Fehler in der Anwendung", "endDialog 1"}));
}

TEST_F(MainWindowTest, QuitReleasesNotificationAndDeviceThenEnds) {
    const sim::DeviceId unit = plugReadyUnit();
    mainWindow_.onInitDialog();
    ASSERT_TRUE(session_.isOpen());

    EXPECT_EQ(mainWindow_.onCommand(kIdQuit), 1);
    EXPECT_FALSE(window_.isRegistered());
    EXPECT_FALSE(session_.isOpen());
    EXPECT_FALSE(session_.devicePath.has_value());
    EXPECT_EQ(hid_.openHandles(unit), 0u);
    EXPECT_EQ(window_.dialogResult(), std::optional<std::intptr_t>(2));
    EXPECT_TRUE(logContainsInOrder(window_.log(), {"unregisterDeviceNotification", "endDialog 2"}));
}

TEST_F(MainWindowTest, OtherCommandsAreIgnored) {
    plugReadyUnit();
    mainWindow_.onInitDialog();
    window_.clearLog();
    for (int id : {0, 1, 3, kIdUnitLabel, kIdStatusPane, kIdVersionGroup, 0xFFFF}) {
        EXPECT_EQ(mainWindow_.onCommand(id), 0) << id;
    }
    EXPECT_TRUE(window_.log().empty());
    EXPECT_TRUE(session_.isOpen());
}

TEST_F(MainWindowTest, UpdateCommandHandsOverToTheUpdate) {
    mainWindow_.onInitDialog();
    EXPECT_EQ(mainWindow_.onCommand(kIdUpdate), 1);
    ASSERT_EQ(window_.boxes().size(), 1u);
    EXPECT_EQ(window_.boxes()[0].text, catalogueText(kMsgUnitUnavailable));
}

TEST_F(MainWindowTest, DeviceChangeResultIsForwarded) {
    const sim::DeviceId unit = plugReadyUnit();
    mainWindow_.onInitDialog();
    hid_.unplug(unit);
    const DeviceNotification removal{kDeviceTypeInterface, hid_.path(unit)};

    EXPECT_EQ(mainWindow_.onDeviceChange(kDeviceRemoveComplete, &removal), 1);
    EXPECT_TRUE(showsGuidance(window_, kMsgConnectionLost));
    EXPECT_EQ(mainWindow_.onDeviceChange(0x0007, nullptr), 0);  // DBT_DEVNODES_CHANGED
}

TEST_F(MainWindowTest, RetryTimerLooksAgainOnlyWhileAUnitIsBusyElsewhere) {
    mainWindow_.onInitDialog();
    EXPECT_FALSE(mainWindow_.onRetryTimer());  // no unit at all: arrivals will tell

    const sim::DeviceId unit = plugReadyUnit();
    hid_.setClaimedElsewhere(unit, true);
    mainWindow_.onDeviceChange(kDeviceArrival, nullptr);
    const DeviceNotification arrival{kDeviceTypeInterface, hid_.path(unit)};
    mainWindow_.onDeviceChange(kDeviceArrival, &arrival);
    EXPECT_TRUE(showsMessageAlone(window_, kMsgUnitBusy));
    EXPECT_TRUE(mainWindow_.onRetryTimer());
    EXPECT_TRUE(showsMessageAlone(window_, kMsgUnitBusy));

    hid_.setClaimedElsewhere(unit, false);
    EXPECT_TRUE(mainWindow_.onRetryTimer());
    EXPECT_TRUE(showsMessageAlone(window_, kMsgReady));
    EXPECT_TRUE(window_.isEnabled(kIdUpdate));
    EXPECT_FALSE(mainWindow_.onRetryTimer());
}

class RowBrushTest : public MainWindowTest {};

TEST_F(RowBrushTest, OnlyTheControllerRowGetsTheBrush) {
    const BrushHandle brush = mainWindow_.onCtlColorStatic(kIdControllerLabel);
    EXPECT_NE(brush, 0u);
    EXPECT_EQ(mainWindow_.onCtlColorStatic(kIdControllerVersion), brush);
    for (int id : {kIdUnitLabel, kIdBootloaderLabel, kIdUnitVersion, kIdBootloaderVersion,
                   kIdStatusCaption, kIdStatusPane, kIdVersionGroup}) {
        EXPECT_EQ(mainWindow_.onCtlColorStatic(id), 0u) << id;
    }
}

TEST_F(RowBrushTest, RepaintingCreatesOneBrushReleasedWithTheWindow) {
    {
        MainWindow painted(window_, {hid_, clock_}, session_, {});
        for (int i = 0; i < 100; ++i) {
            painted.onCtlColorStatic(kIdControllerVersion);
        }
        EXPECT_EQ(window_.brushesCreated(), 1);
        EXPECT_EQ(window_.liveBrushes(), 1u);
    }
    EXPECT_EQ(window_.liveBrushes(), 0u);
}

TEST(LogoPlacementTest, WideWindowDrawsHalfTheBitmap) {
    const ScreenRect window{100, 50, 600, 450};
    const ScreenRect groupBox{125, 90, 330, 185};
    const LogoPlacement logo = logoPlacement(365, 122, window, groupBox, 3, 19);
    EXPECT_EQ(logo.width, 182);
    EXPECT_EQ(logo.height, 60);
    EXPECT_EQ(logo.x, 330 - (100 + 3) + 20);
    EXPECT_EQ(logo.y, 90 - (50 + 19));
}

TEST(LogoPlacementTest, NarrowSpaceScalesDownInProportion) {
    const ScreenRect window{0, 0, 440, 400};
    const ScreenRect groupBox{20, 40, 330, 140};
    const LogoPlacement logo = logoPlacement(365, 122, window, groupBox, 3, 19);
    EXPECT_EQ(logo.width, 100);
    EXPECT_EQ(logo.height, 33);  // 100 / 365 * 122 = 33.42
}

TEST(LogoPlacementTest, HighDpiScalesSizeGapAndMargin) {
    const ScreenRect groupBox{140, 100, 500, 240};
    const LogoPlacement wide = logoPlacement(365, 122, {100, 50, 900, 600}, groupBox, 4, 29, 144);
    EXPECT_EQ(wide.width, 273);  // 182 * 1.5
    EXPECT_EQ(wide.height, 91);
    EXPECT_EQ(wide.x, 500 - (100 + 4) + 30);
    EXPECT_EQ(logoPlacement(365, 122, {100, 50, 700, 600}, groupBox, 4, 29, 192).width, 180);
}

TEST(LogoPlacementTest, HeightIsTruncatedInSinglePrecision) {
    // 6 / 19 * 190 is 60 exactly, but 59.9999962 in single precision.
    const ScreenRect window{0, 0, 216, 300};
    const ScreenRect groupBox{10, 10, 200, 100};
    const LogoPlacement logo = logoPlacement(19, 190, window, groupBox, 3, 19);
    EXPECT_EQ(logo.width, 6);
    EXPECT_EQ(logo.height, 59);
}

TEST(LogoPlacementTest, NoSpaceOrNoBitmapDrawsNothing) {
    const ScreenRect window{0, 0, 300, 300};
    const ScreenRect groupBox{10, 10, 295, 100};
    EXPECT_EQ(logoPlacement(365, 122, window, groupBox, 3, 19).width, 0);
    EXPECT_EQ(logoPlacement(365, 122, window, groupBox, 3, 19).height, 0);
    EXPECT_EQ(logoPlacement(0, 0, window, {0, 0, 10, 10}, 3, 19).width, 0);
}

}  // namespace
}  // namespace talo
