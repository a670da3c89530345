#include "tests/support/recording_window.h"

#include <algorithm>

#include "device/utf8_text.h"
#include "resources/main_dialog_layout.h"

namespace talo::test {

std::string printable(std::u16string_view text) {
    std::string shown;
    for (const char c : toUtf8Lossy(text)) {
        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return shown;
}

RecordingWindow::RecordingWindow() {
    for (const DialogControl& item : kDialogControls) {
        controls_[item.id] = {item.text, !item.disabled};
    }
    // A window of template 110 centred on a 1920 x 1080 screen at 96 dpi.
    rects[kIdMainWindow] = {735, 355, 1185, 725};
    rects[kIdVersionGroup] = {760, 394, 963, 487};
}

std::vector<std::string> RecordingWindow::logOf(std::string_view prefix) const {
    std::vector<std::string> matching;
    std::copy_if(log.begin(), log.end(), std::back_inserter(matching),
                 [prefix](const std::string& entry) { return entry.starts_with(prefix); });
    return matching;
}

::testing::AssertionResult RecordingWindow::loggedInOrder(
    std::initializer_list<std::string> expected) const {
    auto position = log.begin();
    for (const std::string& wanted : expected) {
        position = std::find(position, log.end(), wanted);
        if (position++ == log.end()) {
            return ::testing::AssertionFailure()
                   << '"' << wanted << "\" not in order in " << ::testing::PrintToString(log);
        }
    }
    return ::testing::AssertionSuccess();
}

int RecordingWindow::getControlText(int id, char16_t* buffer, int capacity) {
    note("getControlText", id);
    const std::u16string& text = controls_.at(id).text;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity) - 1);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = u'\0';
    return static_cast<int>(length);
}

int RecordingWindow::messageBox(const std::u16string& text, const std::u16string& caption,
                                MessageBoxKind kind) {
    note("messageBox", kind, printable(caption));
    boxTexts.push_back(text);
    int answer = kind == MessageBoxKind::WarningYesNo ? kAnswerYes : kAnswerOk;
    if (!boxAnswers.empty()) {
        answer = boxAnswers.front();
        boxAnswers.pop_front();
    }
    return answer;
}

TopWindow RecordingWindow::foregroundWindow() {
    note("foregroundWindow");
    TopWindow answer = TopWindow::Other;
    if (!foreground.empty()) {
        answer = foreground.front();
        foreground.pop_front();
    }
    return answer;
}

}  // namespace talo::test
