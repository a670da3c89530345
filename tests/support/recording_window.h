#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window_ops.h"

namespace talo::test {

// UTF-8 with CR and LF shown as \r and \n: how texts appear in the log and in failures.
std::string printable(std::u16string_view text);

// A fake main window for tests. It starts as dialog template 110 does ("Update" disabled,
// placeholder texts), keeps every control's text and enabled state, and logs every call in
// order as one readable line, e.g. "setControlText 40004 <text>", "enable 1002 0",
// "messageBox Error <caption>", "createProgressWindow <title> <x> <y> <width> <height>",
// "raiseToTop Main", "enterProtectedWrite".
//
// Message boxes are answered from a script (answerNextBox); without one a box gets its
// default button: OK, or Yes for the Yes/No warning. Addressing a control the template does
// not have, deleting a brush that is not live, or unpaired protected-write calls fail the
// running test.
class RecordingWindow : public WindowOps {
  public:
    struct ShownBox {
        std::u16string text;
        std::u16string caption;
        MessageBoxKind kind;
    };

    RecordingWindow();

    // --- Script
    void answerNextBox(int answer) { boxAnswers_.push_back(answer); }
    void failRegistration() { registrationFails_ = true; }
    // Answers of foregroundWindow(), one per call; when used up, Other.
    void scriptForeground(std::vector<TopWindow> answers) {
        foregroundScript_.assign(answers.begin(), answers.end());
    }
    void setWindowRect(int controlId, const ScreenRect& rect) { rects_[controlId] = rect; }

    // --- Observed state
    std::u16string controlText(int controlId) const;
    bool isEnabled(int controlId) const { return controls_.at(controlId).enabled; }
    std::u16string statusText() const;  // control 40004
    const std::vector<ShownBox>& boxes() const { return boxes_; }
    std::size_t liveBrushes() const { return liveBrushes_.size(); }

    const std::vector<std::string>& log() const { return log_; }
    // Log lines that start with `prefix`, in order.
    std::vector<std::string> logOf(std::string_view prefix) const;
    void clearLog() { log_.clear(); }
    // The log holds `expected` in this order, other entries allowed in between.
    ::testing::AssertionResult loggedInOrder(std::initializer_list<std::string> expected) const;

    // --- WindowOps
    void setControlText(int controlId, const std::u16string& text) override;
    int controlTextLength(int controlId) override;
    int getControlText(int controlId, char16_t* buffer, int capacity) override;
    void enableControl(int controlId, bool enabled) override;
    void setTitle(const std::u16string& title) override { note("setTitle", printable(title)); }
    void setClassIcon() override { note("setClassIcon"); }
    int messageBox(const std::u16string& text, const std::u16string& caption,
                   MessageBoxKind kind) override;
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override;
    bool registerDeviceNotification() override;
    void unregisterDeviceNotification() override { note("unregisterDeviceNotification"); }
    void endDialog(std::intptr_t result) override { note("endDialog", result); }
    ScreenRect windowRect(int controlId) override;
    BrushHandle createButtonFaceBrush() override;
    void deleteBrush(BrushHandle brush) override;
    bool createProgressWindow(const std::u16string& title, int x, int y, int width,
                              int height) override;
    void setProgressPosition(unsigned percent) override { note("setProgressPosition", percent); }
    void destroyProgressWindow() override { note("destroyProgressWindow"); }
    void raiseToTop(TopWindow window) override { note("raiseToTop", window); }
    TopWindow foregroundWindow() override;
    void showWindow(TopWindow window) override { note("showWindow", window); }
    void enterProtectedWrite() override;
    void leaveProtectedWrite() override;

  private:
    struct Control {
        std::u16string text;
        bool enabled = true;
    };

    // Logs the call's name and arguments, separated by spaces.
    template <typename... Args>
    void note(const char* call, const Args&... args) {
        std::ostringstream line;
        line << call;
        ((line << ' ' << shown(args)), ...);
        log_.push_back(line.str());
    }
    template <typename T>
    static const T& shown(const T& value) {
        return value;
    }
    static const char* shown(TopWindow window);
    static const char* shown(MessageBoxKind kind);
    Control* control(int controlId, const char* operation);

    std::map<int, Control> controls_;
    std::map<int, ScreenRect> rects_;
    bool registrationFails_ = false;
    bool protectedWrite_ = false;
    std::deque<int> boxAnswers_;
    std::vector<ShownBox> boxes_;
    std::deque<TopWindow> foregroundScript_;
    BrushHandle nextBrush_ = 1;
    std::set<BrushHandle> liveBrushes_;
    std::vector<std::string> log_;
};

}  // namespace talo::test
