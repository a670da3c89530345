#include "tests/support/recording_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "device/utf8_text.h"
#include "resources/main_dialog_layout.h"
#include "resources/messages.h"
#include "ui/control_ids.h"

namespace talo::test {
namespace {

const char* kindName(MessageBoxKind kind) {
    constexpr const char* kNames[] = {"Error", "Information", "WarningYesNo"};
    return kNames[static_cast<int>(kind)];
}

const char* windowName(TopWindow window) {
    constexpr const char* kNames[] = {"Other", "Main", "Progress"};
    return kNames[static_cast<int>(window)];
}

// Rectangles of a window of template 110 centred on a 1920 x 1080 screen at 96 dpi.
constexpr ScreenRect kMainWindowRect{735, 355, 1185, 725};
constexpr ScreenRect kGroupBoxRect{760, 394, 963, 487};

}  // namespace

std::string printable(std::u16string_view text) {
    std::u16string escaped;
    for (const char16_t unit : text) {
        if (unit == u'\r') {
            escaped += u"\\r";
        } else if (unit == u'\n') {
            escaped += u"\\n";
        } else {
            escaped.push_back(unit);
        }
    }
    return toUtf8Lossy(escaped);
}

RecordingWindow::RecordingWindow() {
    for (const DialogControl& item : kDialogControls) {
        controls_[item.id] = {item.text, !item.disabled};
    }
    rects_[kIdMainWindow] = kMainWindowRect;
    rects_[kIdVersionGroup] = kGroupBoxRect;
}

void RecordingWindow::answerNextBox(int answer, std::function<void()> whileOpen) {
    boxScript_.push_back({answer, std::move(whileOpen)});
}

void RecordingWindow::scriptForeground(std::vector<TopWindow> answers, TopWindow fallback) {
    foregroundScript_.assign(answers.begin(), answers.end());
    foregroundFallback_ = fallback;
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

bool RecordingWindow::isEnabled(int controlId) const {
    const auto found = controls_.find(controlId);
    return found != controls_.end() && found->second.enabled;
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

void RecordingWindow::setControlText(int controlId, const std::u16string& text) {
    record("setControlText " + std::to_string(controlId) + " " + printable(text));
    if (Control* target = control(controlId, "setControlText")) {
        // Like SetWindowTextW, the control keeps the text up to its first NUL.
        target->text = text.substr(0, text.find(u'\0'));
    }
}

int RecordingWindow::controlTextLength(int controlId) {
    record("controlTextLength " + std::to_string(controlId));
    const Control* target = control(controlId, "controlTextLength");
    return target != nullptr ? static_cast<int>(target->text.size()) : 0;
}

int RecordingWindow::getControlText(int controlId, char16_t* buffer, int capacity) {
    record("getControlText " + std::to_string(controlId));
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
    record("enable " + std::to_string(controlId) + (enabled ? " 1" : " 0"));
    if (Control* target = control(controlId, "enableControl")) {
        target->enabled = enabled;
    }
}

void RecordingWindow::setTitle(const std::u16string& title) {
    record("setTitle " + printable(title));
}

int RecordingWindow::messageBox(const std::u16string& text, const std::u16string& caption,
                                MessageBoxKind kind) {
    record(std::string("messageBox ") + kindName(kind) + " " + printable(caption));
    boxes_.push_back({text, caption, kind});
    int answer = kind == MessageBoxKind::WarningYesNo ? kAnswerYes : kAnswerOk;
    if (!boxScript_.empty()) {
        BoxScript script = std::move(boxScript_.front());
        boxScript_.pop_front();
        answer = script.answer;
        if (script.whileOpen) {
            script.whileOpen();
        }
    }
    return answer;
}

int RecordingWindow::loadString(std::uint16_t id, char16_t* buffer, int capacity) {
    record("loadString " + std::to_string(id));
    return loadCatalogueString(id, buffer, capacity);
}

bool RecordingWindow::registerDeviceNotification() {
    record("registerDeviceNotification");
    registered_ = !registrationFails_;
    return registered_;
}

void RecordingWindow::unregisterDeviceNotification() {
    record("unregisterDeviceNotification");
    registered_ = false;
}

void RecordingWindow::endDialog(std::intptr_t result) {
    record("endDialog " + std::to_string(result));
    dialogResult_ = result;
}

ScreenRect RecordingWindow::windowRect(int controlId) {
    record("windowRect " + std::to_string(controlId));
    const auto found = rects_.find(controlId);
    if (found == rects_.end()) {
        ADD_FAILURE() << "windowRect of control " << controlId << ", which has no rectangle set";
        return {};
    }
    return found->second;
}

BrushHandle RecordingWindow::createButtonFaceBrush() {
    record("createButtonFaceBrush");
    liveBrushes_.insert(nextBrush_);
    return nextBrush_++;
}

void RecordingWindow::deleteBrush(BrushHandle brush) {
    record("deleteBrush " + std::to_string(brush));
    if (liveBrushes_.erase(brush) == 0) {
        ADD_FAILURE() << "deleteBrush " << brush << ": no such live brush";
    }
}

bool RecordingWindow::createProgressWindow(const std::u16string& title, int x, int y, int width,
                                           int height) {
    record("createProgressWindow " + printable(title) + " " + std::to_string(x) + " " +
           std::to_string(y) + " " + std::to_string(width) + " " + std::to_string(height));
    return true;
}

void RecordingWindow::setProgressPosition(unsigned percent) {
    record("setProgressPosition " + std::to_string(percent));
}

void RecordingWindow::raiseToTop(TopWindow window) {
    record(std::string("raiseToTop ") + windowName(window));
}

TopWindow RecordingWindow::foregroundWindow() {
    record("foregroundWindow");
    if (foregroundScript_.empty()) {
        return foregroundFallback_;
    }
    const TopWindow answer = foregroundScript_.front();
    foregroundScript_.pop_front();
    return answer;
}

void RecordingWindow::showWindow(TopWindow window) {
    record(std::string("showWindow ") + windowName(window));
}

void RecordingWindow::enterProtectedWrite() {
    record("enterProtectedWrite");
    EXPECT_FALSE(protectedWrite_) << "protected write entered twice";
    protectedWrite_ = true;
}

void RecordingWindow::leaveProtectedWrite() {
    record("leaveProtectedWrite");
    EXPECT_TRUE(protectedWrite_) << "protected write left without being entered";
    protectedWrite_ = false;
}

}  // namespace talo::test
