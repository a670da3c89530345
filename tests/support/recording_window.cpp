#include "tests/support/recording_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/utf8_text.h"
#include "resources/main_dialog_layout.h"
#include "resources/messages.h"
#include "ui/control_ids.h"

namespace talo::test {

std::string printable(std::u16string_view text) {
    std::u16string escaped;
    for (const char16_t unit : text) {
        escaped += unit == u'\r' ? u"\\r" : unit == u'\n' ? u"\\n" : std::u16string(1, unit);
    }
    return toUtf8Lossy(escaped);
}

RecordingWindow::RecordingWindow() {
    for (const DialogControl& item : kDialogControls) {
        controls_[item.id] = {item.text, !item.disabled};
    }
    // A window of template 110 centred on a 1920 x 1080 screen at 96 dpi.
    rects_[kIdMainWindow] = {735, 355, 1185, 725};
    rects_[kIdVersionGroup] = {760, 394, 963, 487};
}

const char* RecordingWindow::shown(TopWindow window) {
    constexpr const char* kNames[] = {"Other", "Main", "Progress"};
    return kNames[static_cast<int>(window)];
}

const char* RecordingWindow::shown(MessageBoxKind kind) {
    constexpr const char* kNames[] = {"Error", "Information", "WarningYesNo"};
    return kNames[static_cast<int>(kind)];
}

RecordingWindow::Control* RecordingWindow::control(int controlId, const char* operation) {
    const auto found = controls_.find(controlId);
    if (found == controls_.end()) {
        ADD_FAILURE() << operation << " on control " << controlId
                      << ", which the main window does not have";
        return nullptr;
    }
    return &found->second;
}

std::u16string RecordingWindow::controlText(int controlId) const {
    const auto found = controls_.find(controlId);
    return found != controls_.end() ? found->second.text : std::u16string();
}

std::u16string RecordingWindow::statusText() const {
    return controlText(kIdStatusPane);
}

std::vector<std::string> RecordingWindow::logOf(std::string_view prefix) const {
    std::vector<std::string> matching;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(matching),
                 [prefix](const std::string& entry) { return entry.starts_with(prefix); });
    return matching;
}

::testing::AssertionResult RecordingWindow::loggedInOrder(
    std::initializer_list<std::string> expected) const {
    auto position = log_.begin();
    for (const std::string& wanted : expected) {
        position = std::find(position, log_.end(), wanted);
        if (position == log_.end()) {
            auto failure = ::testing::AssertionFailure();
            failure << "\"" << wanted << "\" not found in order; the log is:";
            for (const std::string& entry : log_) {
                failure << "\n  " << entry;
            }
            return failure;
        }
        ++position;
    }
    return ::testing::AssertionSuccess();
}

void RecordingWindow::setControlText(int controlId, const std::u16string& text) {
    note("setControlText", controlId, printable(text));
    if (Control* target = control(controlId, "setControlText")) {
        // Like SetWindowTextW, the control keeps the text up to its first NUL.
        target->text = text.substr(0, text.find(u'\0'));
    }
}

int RecordingWindow::controlTextLength(int controlId) {
    note("controlTextLength", controlId);
    const Control* target = control(controlId, "controlTextLength");
    return target != nullptr ? static_cast<int>(target->text.size()) : 0;
}

int RecordingWindow::getControlText(int controlId, char16_t* buffer, int capacity) {
    note("getControlText", controlId);
    const Control* target = control(controlId, "getControlText");
    if (target == nullptr || buffer == nullptr || capacity < 1) {
        return 0;
    }
    const std::size_t length =
        std::min(target->text.size(), static_cast<std::size_t>(capacity) - 1);
    std::copy_n(target->text.data(), length, buffer);
    buffer[length] = u'\0';
    return static_cast<int>(length);
}

void RecordingWindow::enableControl(int controlId, bool enabled) {
    note("enable", controlId, enabled);
    if (Control* target = control(controlId, "enableControl")) {
        target->enabled = enabled;
    }
}

int RecordingWindow::messageBox(const std::u16string& text, const std::u16string& caption,
                                MessageBoxKind kind) {
    note("messageBox", kind, printable(caption));
    boxes_.push_back({text, caption, kind});
    int answer = kind == MessageBoxKind::WarningYesNo ? kAnswerYes : kAnswerOk;
    if (!boxAnswers_.empty()) {
        answer = boxAnswers_.front();
        boxAnswers_.pop_front();
    }
    return answer;
}

int RecordingWindow::loadString(std::uint16_t id, char16_t* buffer, int capacity) {
    note("loadString", id);
    return loadCatalogueString(id, buffer, capacity);
}

bool RecordingWindow::registerDeviceNotification() {
    note("registerDeviceNotification");
    return !registrationFails_;
}

ScreenRect RecordingWindow::windowRect(int controlId) {
    note("windowRect", controlId);
    EXPECT_TRUE(rects_.contains(controlId)) << "windowRect of control " << controlId;
    return rects_[controlId];
}

BrushHandle RecordingWindow::createButtonFaceBrush() {
    note("createButtonFaceBrush");
    liveBrushes_.insert(nextBrush_);
    return nextBrush_++;
}

void RecordingWindow::deleteBrush(BrushHandle brush) {
    note("deleteBrush", brush);
    EXPECT_EQ(liveBrushes_.erase(brush), 1u) << "deleteBrush " << brush << ": no such live brush";
}

bool RecordingWindow::createProgressWindow(const std::u16string& title, int x, int y, int width,
                                           int height) {
    note("createProgressWindow", printable(title), x, y, width, height);
    return true;
}

TopWindow RecordingWindow::foregroundWindow() {
    note("foregroundWindow");
    if (foregroundScript_.empty()) {
        return TopWindow::Other;
    }
    const TopWindow answer = foregroundScript_.front();
    foregroundScript_.pop_front();
    return answer;
}

void RecordingWindow::enterProtectedWrite() {
    note("enterProtectedWrite");
    EXPECT_FALSE(protectedWrite_) << "protected write entered twice";
    protectedWrite_ = true;
}

void RecordingWindow::leaveProtectedWrite() {
    note("leaveProtectedWrite");
    EXPECT_TRUE(protectedWrite_) << "protected write left without being entered";
    protectedWrite_ = false;
}

}  // namespace talo::test
