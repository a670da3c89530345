#include "ui/window_updater_view.h"

#include <gtest/gtest.h>

#include "resources/messages.h"
#include "tests/support/recording_window.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo {
namespace {

using test::printable;
using test::RecordingWindow;

class WindowUpdaterViewTest : public ::testing::Test {
  protected:
    RecordingWindow window_;
    WindowUpdaterView view_{window_};
};

struct GuidanceCase {
    Guidance guidance;
    std::uint16_t message;
    bool withInstructions;
};

// The situation, a blank line and the instructions appended to it; ready and busy alone.
TEST_F(WindowUpdaterViewTest, GuidanceIsTheSituationThenTheInstructionsOrAMessageAlone) {
    const GuidanceCase cases[] = {
        {Guidance::NoUnit, kMsgNoUnitFound, true},
        {Guidance::WrongMode, kMsgWrongMode, true},
        {Guidance::NoController, kMsgNoController, true},
        {Guidance::Incompatible, kMsgIncompatible, true},
        {Guidance::ConnectionLost, kMsgConnectionLost, true},
        {Guidance::Ready, kMsgReady, false},
        {Guidance::UnitBusy, kMsgUnitBusy, false},
    };
    for (const GuidanceCase& c : cases) {
        window_.log.clear();
        view_.showGuidance(c.guidance);
        std::u16string expected(catalogueText(c.message));
        if (c.withInstructions) {
            expected += u"\r\n\r\n" + std::u16string(catalogueText(kMsgInstructions));
        }
        EXPECT_EQ(printable(window_.statusText()), printable(expected));
        EXPECT_EQ(view_.waitingForBusyUnit(), c.guidance == Guidance::UnitBusy);
    }
}

struct FailureCase {
    UpdateStep step;
    std::int32_t result;
    std::uint32_t systemError;
    std::uint16_t message;
    const char16_t* codes;  // null: no code line
};

// The failing step's message with the codes, under the common caption; then the failure
// guidance alone.
TEST_F(WindowUpdaterViewTest, FailureShowsTheStepsMessageWithItsCodesThenTheGuidance) {
    const FailureCase cases[] = {
        {UpdateStep::NoUnit, -1, 1167, kMsgUnitUnavailable, nullptr},
        {UpdateStep::NoImage, -1, 0, kMsgNoImage, nullptr},
        {UpdateStep::Claim, -5, 0, kMsgUnitBusy, u"0xfffffffb-0x00000000"},
        {UpdateStep::Lock, -1, 0, kMsgLockFailed, nullptr},
        {UpdateStep::Lock, -2, 31, kMsgLockFailed, u"0xfffffffe-0x0000001f"},
        {UpdateStep::Unprotect, 1627, 0, kMsgUnprotectFailed, u"0x0000065b-0x00000000"},
        {UpdateStep::Erase, 262, 0, kMsgEraseFailed, u"0x00000106-0x00000000"},
        {UpdateStep::SetWriteAddress, 0x00010107, 0, kMsgWriteAddressFailed,
         u"0x00010107-0x00000000"},
        {UpdateStep::Write, -3, 1167, kMsgWriteBlockFailed, u"0xfffffffd-0x0000048f"},
    };
    for (const FailureCase& c : cases) {
        window_.log.clear();
        view_.updateFailed(c.step, c.result, c.systemError);
        std::u16string expected(catalogueText(c.message));
        if (c.codes != nullptr) {
            expected += u"\r\nDas System meldet Fehlercode ";
            expected += c.codes;
        }
        EXPECT_EQ(printable(window_.boxTexts.back()), printable(expected));
        EXPECT_TRUE(window_.loggedInOrder(
            {"messageBox Error Update fehlgeschlagen!",
             "setControlText 40004 " + printable(catalogueText(kMsgUpdateAborted))}));
        EXPECT_EQ(view_.waitingForBusyUnit(), c.step == UpdateStep::Claim);
    }
}

// The question (Yes by default) and the notice are their boxes; the offer, the write span and
// the success are their window calls.
TEST_F(WindowUpdaterViewTest, EachCallIsItsBoxOrItsWindowCalls) {
    window_.boxAnswers = {kAnswerNo};
    EXPECT_FALSE(view_.confirmOverwrite());
    EXPECT_TRUE(view_.confirmOverwrite());
    view_.noticeIncompatible();
    EXPECT_EQ(window_.boxTexts[0], catalogueText(kMsgDowngradeText));
    EXPECT_NE(window_.boxTexts[2].find(u"des Typs 'TALO Max 150' aktualisieren. Andere"),
              std::u16string::npos);
    view_.offerUpdate(true);
    view_.writeBegins();
    view_.writeEnds();
    view_.offerUpdate(false);
    window_.setControlText(kIdStatusPane, u"alt");  // replaced, not appended to
    view_.updateSucceeded();
    EXPECT_TRUE(window_.loggedInOrder(
        {"messageBox WarningYesNo Neuere Firmware gefunden",
         "messageBox WarningYesNo Neuere Firmware gefunden",
         "messageBox Information Regler inkompatibel", "enable 1002 1", "enterProtectedWrite",
         "leaveProtectedWrite", "enable 1002 0",
         "setControlText 40004 " + printable(catalogueText(kMsgUpdateSucceeded))}));
}

// Centred on the main window, position 0, both windows raised; then, once one of them is in
// front, both are raised and shown once, and the z-order is left alone afterwards.
TEST_F(WindowUpdaterViewTest, ProgressWindowIsCentredRaisedAndTakesTheForegroundOnce) {
    window_.rects[kIdMainWindow] = {100, 200, 701, 551};
    // Block 1: neither own window in front (two queries). Block 2: the progress window is
    // (second query), remembered by a third. Block 3: no query.
    window_.foreground = {TopWindow::Other, TopWindow::Other, TopWindow::Other, TopWindow::Progress,
                          TopWindow::Progress};
    view_.progressBegins();
    for (const unsigned percent : {33u, 66u, 100u}) {
        view_.progressAdvanced(percent, 0, 0);
    }
    view_.progressEnds();
    EXPECT_EQ(window_.logOf("foregroundWindow").size(), 5u);
    EXPECT_TRUE(window_.loggedInOrder(
        {"createProgressWindow Firmware wird geschrieben, bitte warten... 200 350 400 50",
         "setProgressPosition 0", "raiseToTop Main", "raiseToTop Progress",
         "setProgressPosition 33", "setProgressPosition 66", "raiseToTop Main",
         "raiseToTop Progress", "showWindow Main", "showWindow Progress", "setProgressPosition 100",
         "destroyProgressWindow"}));
    EXPECT_EQ(window_.logOf("raiseToTop").size(), 4u);
}

}  // namespace
}  // namespace talo
