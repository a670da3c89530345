#include "ui/status_pane.h"

#include <gtest/gtest.h>

#include "device/device_session.h"
#include "tests/support/recording_window.h"
#include "ui/control_ids.h"

namespace talo {
namespace {

using test::RecordingWindow;

struct PaneCase {
    const char16_t* shown;
    const char16_t* text;  // may be null: counts as empty
    bool append;
    const char16_t* expected;
};

// Appending reads the pane; either way the pane is written once.
TEST(StatusPaneTest, ReplacesOrAppendsAsAsked) {
    const PaneCase cases[] = {
        {u"alt", u"neu\r\n", false, u"neu\r\n"},
        {u"Lage\r\n\r\n", u"Schritte", true, u"Lage\r\n\r\nSchritte"},
        {u"", u"Schritte", true, u"Schritte"},  // appending to nothing is replacing
        {u"Lage", nullptr, true, u"Lage"},
        {u"Lage", nullptr, false, u""},
    };
    for (const PaneCase& c : cases) {
        RecordingWindow window;
        window.setControlText(kIdStatusPane, c.shown);
        window.log.clear();
        setStatusText(window, c.text, c.append);
        EXPECT_EQ(window.statusText(), c.expected) << test::printable(c.expected);
        EXPECT_EQ(window.logOf("setControlText").size(), 1u);
    }
}

// A pane whose text grew between the length query and the copy: it reports having copied
// more than fits. The appended text still goes right after the copy, cut to the buffer.
class GrowingPane final : public RecordingWindow {
    int getControlText(int controlId, char16_t* buffer, int capacity) override {
        RecordingWindow::getControlText(controlId, buffer, capacity);
        std::fill_n(buffer, capacity - 1, u'+');
        return capacity + 5;
    }
};

TEST(StatusPaneTest, AppendNeverRunsPastWhatThePaneCopied) {
    GrowingPane window;
    window.setControlText(kIdStatusPane, u"ab");
    setStatusText(window, u"cd", true);
    EXPECT_EQ(window.statusText(), u"++++");
}

// A unit of product 2 with a controller whose firmware is 1.7.
DeviceSession openSessionOfTuneCard() {
    DeviceSession session;
    resetSession(session);
    session.handle = 7;
    session.productId = kProductTuneCard;
    session.unitFirmwareVersion = 0x00010200;
    session.controllerIdentity[4] = 0x01;  // bootloader 2.10.1, little-endian
    session.controllerIdentity[5] = 0x0A;
    session.controllerIdentity[7] = 0x02;
    session.setControllerFirmwareVersion(0x0107);
    return session;
}

// An open unit: all six enabled, then the versions and the model in panel order. Without one:
// zeros, then all six greyed; the first label keeps naming the unit last shown.
TEST(VersionPanelTest, ShowsTheOpenUnitOrZerosGreyedKeepingTheModel) {
    RecordingWindow window;
    refreshVersionPanel(window, openSessionOfTuneCard());
    DeviceSession closed;
    resetSession(closed);
    refreshVersionPanel(window, closed);
    EXPECT_EQ(
        window.log,
        (std::vector<std::string>{
            "enable 40013 1", "enable 40014 1", "enable 40015 1", "enable 40010 1", "enable 1005 1",
            "enable 40011 1", "setControlText 40013 1.2", "setControlText 40014 2.10.1",
            "setControlText 40015 1.7", "setControlText 40010 TUNE-CARD",
            "setControlText 40013 0.0.0", "setControlText 40014 0.0.0",
            "setControlText 40015 0.0.0", "enable 40013 0", "enable 40014 0", "enable 40015 0",
            "enable 40010 0", "enable 1005 0", "enable 40011 0"}));
    EXPECT_EQ(window.controlText(kIdUnitLabel), u"TUNE-CARD");
}

}  // namespace
}  // namespace talo
