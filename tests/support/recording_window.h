#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window_ops.h"

namespace talo::test {

// A fake main window for tests. It starts as dialog template 110 does ("Update" disabled,
// placeholder texts), keeps every control's text and enabled state, and logs every call in
// order as one readable line, e.g. "setControlText 40004 <text>", "enable 1002 0",
// "messageBox Error <caption>", "createProgressWindow <title> <x> <y> <width> <height>",
// "raiseToTop Main", "enterProtectedWrite". Texts in the log are UTF-8 with CR and LF written
// as \r and \n.
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
    // The next box gets `answer`; `whileOpen` runs while it is open (as a modal loop would
    // deliver a device notification) before the answer is returned.
    void answerNextBox(int answer, std::function<void()> whileOpen = {});
    void failRegistration() { registrationFails_ = true; }
    // Answers of foregroundWindow(), one per call; when used up, `fallback`.
    void scriptForeground(std::vector<TopWindow> answers, TopWindow fallback = TopWindow::Main);
    void setWindowRect(int controlId, const ScreenRect& rect) { rects_[controlId] = rect; }

    // --- Observed state
    std::u16string controlText(int controlId) const;
    bool isEnabled(int controlId) const;
    std::u16string statusText() const;  // control 40004
    bool isRegistered() const { return registered_; }
    std::optional<std::intptr_t> dialogResult() const { return dialogResult_; }
    const std::vector<ShownBox>& boxes() const { return boxes_; }
    std::size_t liveBrushes() const { return liveBrushes_.size(); }

    const std::vector<std::string>& log() const { return log_; }
    // Log lines that start with `prefix`, in order.
    std::vector<std::string> logOf(std::string_view prefix) const;
    void clearLog() { log_.clear(); }

    // --- WindowOps
    void setControlText(int controlId, const std::u16string& text) override;
    int controlTextLength(int controlId) override;
    int getControlText(int controlId, char16_t* buffer, int capacity) override;
    void enableControl(int controlId, bool enabled) override;
    void setTitle(const std::u16string& title) override;
    void setClassIcon() override { record("setClassIcon"); }
    int messageBox(const std::u16string& text, const std::u16string& caption,
                   MessageBoxKind kind) override;
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override;
    bool registerDeviceNotification() override;
    void unregisterDeviceNotification() override;
    void endDialog(std::intptr_t result) override;
    ScreenRect windowRect(int controlId) override;
    BrushHandle createButtonFaceBrush() override;
    void deleteBrush(BrushHandle brush) override;
    bool createProgressWindow(const std::u16string& title, int x, int y, int width,
                              int height) override;
    void setProgressPosition(unsigned percent) override;
    void destroyProgressWindow() override { record("destroyProgressWindow"); }
    void raiseToTop(TopWindow window) override;
    TopWindow foregroundWindow() override;
    void showWindow(TopWindow window) override;
    void enterProtectedWrite() override;
    void leaveProtectedWrite() override;

  private:
    struct Control {
        std::u16string text;
        bool enabled = true;
    };
    struct BoxScript {
        int answer;
        std::function<void()> whileOpen;
    };

    Control* control(int controlId, const char* operation);
    void record(std::string entry) { log_.push_back(std::move(entry)); }

    std::map<int, Control> controls_;
    std::map<int, ScreenRect> rects_;
    bool registered_ = false;
    bool registrationFails_ = false;
    bool protectedWrite_ = false;
    std::optional<std::intptr_t> dialogResult_;
    std::deque<BoxScript> boxScript_;
    std::vector<ShownBox> boxes_;
    std::deque<TopWindow> foregroundScript_;
    TopWindow foregroundFallback_ = TopWindow::Main;
    BrushHandle nextBrush_ = 1;
    std::set<BrushHandle> liveBrushes_;
    std::vector<std::string> log_;
};

// UTF-8 with CR and LF shown as \r and \n: how texts appear in the log and in failures.
std::string printable(std::u16string_view text);

}  // namespace talo::test
