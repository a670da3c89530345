#include "ui/window_updater_view.h"

#include "ui/control_ids.h"
#include "ui/message_text.h"
#include "ui/status_pane.h"
#include "ui/update_texts.h"

namespace talo {

namespace {

constexpr int kProgressWidth = 400;
constexpr int kProgressHeight = 50;

bool isOwnWindow(TopWindow window) {
    return window == TopWindow::Main || window == TopWindow::Progress;
}

}  // namespace

void WindowUpdaterView::offerUpdate(bool offered) {
    window_.enableControl(kIdUpdate, offered);
}

// The situation with a blank line, then the numbered instructions appended; the ready and busy
// texts alone.
void WindowUpdaterView::showGuidance(Guidance guidance) {
    waitingForBusyUnit_ = guidance == Guidance::UnitBusy;
    std::u16string text = loadMessage(window_, guidanceMessage(guidance));
    if (!guidanceHasInstructions(guidance)) {
        setStatusText(window_, text.c_str(), false);
        return;
    }
    text += u"\r\n\r\n";
    setStatusText(window_, text.c_str(), false);
    setStatusText(window_, loadMessage(window_, kMsgInstructions).c_str(), true);
}

void WindowUpdaterView::showVersions(const DeviceSession& session) {
    refreshVersionPanel(window_, session);
}

void WindowUpdaterView::noticeIncompatible() {
    window_.messageBox(incompatibleNoticeText(window_),
                       loadMessage(window_, kMsgIncompatibleCaption), MessageBoxKind::Information);
}

bool WindowUpdaterView::confirmOverwrite() {
    return window_.messageBox(loadMessage(window_, kMsgDowngradeText),
                              loadMessage(window_, kMsgDowngradeCaption),
                              MessageBoxKind::WarningYesNo) == kAnswerYes;
}

void WindowUpdaterView::writeBegins() {
    window_.enterProtectedWrite();
}

void WindowUpdaterView::writeEnds() {
    window_.leaveProtectedWrite();
}

// Centred on the main window, position 0, both windows raised (main first).
void WindowUpdaterView::progressBegins() {
    const ScreenRect main = window_.windowRect(kIdMainWindow);
    const int x = main.left + ((main.right - main.left) / 2) - kProgressWidth / 2;
    const int y = main.top + ((main.bottom - main.top) / 2) - kProgressHeight / 2;
    window_.createProgressWindow(loadMessage(window_, kMsgProgressTitle), x, y, kProgressWidth,
                                 kProgressHeight);
    window_.setProgressPosition(0);
    window_.raiseToTop(TopWindow::Main);
    window_.raiseToTop(TopWindow::Progress);
    remembered_ = TopWindow::Other;
}

void WindowUpdaterView::progressAdvanced(unsigned percent, std::size_t /*bytesWritten*/,
                                         std::size_t /*totalBytes*/) {
    window_.setProgressPosition(percent);
    keepInFront();
}

// Brings both windows to the front once, as soon as one of them is the foreground window;
// afterwards the z-order is left to the user.
void WindowUpdaterView::keepInFront() {
    if (isOwnWindow(remembered_)) {
        return;
    }
    if (window_.foregroundWindow() == TopWindow::Main ||
        window_.foregroundWindow() == TopWindow::Progress) {
        remembered_ = window_.foregroundWindow();
        window_.raiseToTop(TopWindow::Main);
        window_.raiseToTop(TopWindow::Progress);
        window_.showWindow(TopWindow::Main);
        window_.showWindow(TopWindow::Progress);
    }
}

void WindowUpdaterView::progressEnds() {
    window_.destroyProgressWindow();
}

void WindowUpdaterView::updateFailed(UpdateStep step, std::int32_t result,
                                     std::uint32_t systemError) {
    waitingForBusyUnit_ = step == UpdateStep::Claim;
    window_.messageBox(failureText(window_, step, result, systemError),
                       loadMessage(window_, kMsgUpdateFailedCaption), MessageBoxKind::Error);
    setStatusText(window_, loadMessage(window_, kMsgUpdateAborted).c_str(), false);
}

void WindowUpdaterView::updateSucceeded() {
    setStatusText(window_, loadMessage(window_, kMsgUpdateSucceeded).c_str(), false);
}

}  // namespace talo
