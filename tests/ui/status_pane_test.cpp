#include "ui/status_pane.h"

#include <gtest/gtest.h>

#include "device/device_session.h"
#include "tests/support/recording_window.h"
#include "ui/control_ids.h"

namespace talo {
namespace {

using test::RecordingWindow;

class StatusPaneTest : public ::testing::Test {
  protected:
    RecordingWindow window_;
};

TEST_F(StatusPaneTest, ReplaceSetsTheWholeText) {
    setStatusText(window_, u"alt", false);
    setStatusText(window_, u"neu\r\n", false);
    EXPECT_EQ(window_.statusText(), u"neu\r\n");
}

TEST_F(StatusPaneTest, AppendReadsThePaneThenWritesItOnce) {
    setStatusText(window_, u"Lage\r\n\r\n", false);
    window_.clearLog();
    setStatusText(window_, u"Schritte", true);
    EXPECT_EQ(window_.statusText(), u"Lage\r\n\r\nSchritte");
    EXPECT_EQ(window_.log(),
              (std::vector<std::string>{"controlTextLength 40004", "getControlText 40004",
                                        "setControlText 40004 Lage\\r\\n\\r\\nSchritte"}));
}

TEST_F(StatusPaneTest, AppendingToAnEmptyPaneEqualsReplacing) {
    setStatusText(window_, u"Schritte", true);
    EXPECT_EQ(window_.statusText(), u"Schritte");
}

TEST_F(StatusPaneTest, AppendingNothingKeepsTheText) {
    setStatusText(window_, u"Lage", false);
    setStatusText(window_, u"", true);
    EXPECT_EQ(window_.statusText(), u"Lage");
}

TEST_F(StatusPaneTest, NullTextCountsAsEmpty) {
    setStatusText(window_, u"Lage", false);
    setStatusText(window_, nullptr, true);
    EXPECT_EQ(window_.statusText(), u"Lage");
    setStatusText(window_, nullptr, false);
    EXPECT_EQ(window_.statusText(), u"");
}

class VersionPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetSession(session_);
        window_.clearLog();
    }

    // A unit of product 1 with a controller whose firmware is 1.7.
    void openUnit() {
        session_.handle = 7;
        session_.productId = kProductTunePuck;
        session_.unitFirmwareVersion = 0x00010200;
        session_.controllerIdentity[4] = 0x01;  // bootloader 2.10.1, little-endian
        session_.controllerIdentity[5] = 0x0A;
        session_.controllerIdentity[6] = 0x00;
        session_.controllerIdentity[7] = 0x02;
        session_.setControllerFirmwareVersion(0x0107);
    }

    bool panelEnabled(bool enabled) const {
        for (int id : {kIdUnitVersion, kIdBootloaderVersion, kIdControllerVersion, kIdUnitLabel,
                       kIdBootloaderLabel, kIdControllerLabel}) {
            if (window_.isEnabled(id) != enabled) {
                return false;
            }
        }
        return true;
    }

    DeviceSession session_;
    RecordingWindow window_;
};

TEST_F(VersionPanelTest, OpenUnitShowsItsVersionsAndModel) {
    openUnit();
    refreshVersionPanel(window_, session_);
    EXPECT_EQ(window_.controlText(kIdUnitVersion), u"1.2");
    EXPECT_EQ(window_.controlText(kIdBootloaderVersion), u"2.10.1");
    EXPECT_EQ(window_.controlText(kIdControllerVersion), u"1.7");
    EXPECT_EQ(window_.controlText(kIdUnitLabel), u"TUNEPUCK");
    EXPECT_TRUE(panelEnabled(true));
}

TEST_F(VersionPanelTest, OpenUnitEnablesBeforeWritingInPanelOrder) {
    openUnit();
    refreshVersionPanel(window_, session_);
    EXPECT_EQ(window_.log(), (std::vector<std::string>{
                                 "enable 40013 1", "enable 40014 1", "enable 40015 1",
                                 "enable 40010 1", "enable 1005 1", "enable 40011 1",
                                 "setControlText 40013 1.2", "setControlText 40014 2.10.1",
                                 "setControlText 40015 1.7", "setControlText 40010 TUNEPUCK"}));
}

TEST_F(VersionPanelTest, NoUnitShowsZerosThenGreysAllSix) {
    refreshVersionPanel(window_, session_);
    EXPECT_EQ(window_.log(),
              (std::vector<std::string>{"setControlText 40013 0.0.0", "setControlText 40014 0.0.0",
                                        "setControlText 40015 0.0.0", "enable 40013 0",
                                        "enable 40014 0", "enable 40015 0", "enable 40010 0",
                                        "enable 1005 0", "enable 40011 0"}));
    EXPECT_EQ(window_.controlText(kIdUnitLabel), u"Firmware 1:");
}

TEST_F(VersionPanelTest, RemovedUnitStaysNamedGreyed) {
    openUnit();
    session_.productId = kProductTuneCard;
    refreshVersionPanel(window_, session_);
    resetSession(session_);
    refreshVersionPanel(window_, session_);
    EXPECT_EQ(window_.controlText(kIdUnitLabel), u"TUNE-CARD");
    EXPECT_EQ(window_.controlText(kIdControllerVersion), u"0.0.0");
    EXPECT_TRUE(panelEnabled(false));
}

TEST_F(VersionPanelTest, ControllerWithoutFirmwareShowsHyphens) {
    openUnit();
    session_.setControllerFirmwareVersion(0xFFFF);
    refreshVersionPanel(window_, session_);
    EXPECT_EQ(window_.controlText(kIdControllerVersion), u"----------");
}

TEST_F(VersionPanelTest, RecordedImageVersionShowsAsOneDotEight) {
    openUnit();
    session_.setControllerFirmwareVersion(0x0108);
    refreshVersionPanel(window_, session_);
    EXPECT_EQ(window_.controlText(kIdControllerVersion), u"1.8");
}

}  // namespace
}  // namespace talo
