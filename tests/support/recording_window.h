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

// A fake main window for tests. It starts in the state of dialog template 110 ("Update"
// disabled, empty status pane, placeholder labels and values), keeps every control's text and
// enabled state, and logs every call in order as one readable line each:
//
//   setControlText <id> <text>     controlTextLength <id>     getControlText <id>
//   enable <id> <0|1>              setTitle <text>            setClassIcon
//   messageBox <Error|Information|WarningYesNo> <caption>      loadString <id>
//   registerDeviceNotification     unregisterDeviceNotification
//   endDialog <result>             windowRect <id>
//   createButtonFaceBrush          deleteBrush <brush>
//   createProgressWindow <title> <x> <y> <width> <height>
//   setProgressPosition <percent>  destroyProgressWindow
//   raiseToTop <Main|Progress|Other>   foregroundWindow   showWindow <Main|Progress|Other>
//   enterProtectedWrite            leaveProtectedWrite
//
// Texts in the log are UTF-8 with CR and LF written as the escapes \r and \n.
//
// Message boxes are answered from a script (answerNextBox); without a scripted answer a box
// gets its default button: OK for the OK boxes, Yes for the Yes/No warning (Enter).
// Addressing a control the template does not have, or deleting a brush that is not live,
// fails the running test.
class RecordingWindow : public WindowOps {
  public:
    struct ShownBox {
        std::u16string text;
        std::u16string caption;
        MessageBoxKind kind;
    };

    struct ProgressWindow {
        bool exists = false;
        std::u16string title;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        std::vector<unsigned> positions;  // every position set, in order, over all windows
        int created = 0;
        int destroyed = 0;
    };

    RecordingWindow();

    // --- Script -----------------------------------------------------------------------------
    // The next unscripted box gets `answer`; `whileOpen` runs while it is open (as a modal
    // loop would deliver a device notification) before the answer is returned.
    void answerNextBox(int answer, std::function<void()> whileOpen = {});
    void failRegistration(bool fail = true) { registrationFails_ = fail; }
    void failProgressWindow(bool fail = true) { progressFails_ = fail; }
    // Answers of foregroundWindow(), one per call; when used up, `fallback` (default Main).
    void scriptForeground(std::vector<TopWindow> answers, TopWindow fallback = TopWindow::Main);
    void setWindowRect(int controlId, const ScreenRect& rect) { rects_[controlId] = rect; }

    // --- Observed state ---------------------------------------------------------------------
    std::u16string controlText(int controlId) const;
    bool isEnabled(int controlId) const;
    std::u16string statusText() const;  // control 40004
    const std::u16string& title() const { return title_; }
    bool hasIcon() const { return hasIcon_; }
    bool isRegistered() const { return registered_; }
    std::optional<std::intptr_t> dialogResult() const { return dialogResult_; }
    const std::vector<ShownBox>& boxes() const { return boxes_; }
    bool isBoxOpen() const { return openBoxes_ > 0; }
    const ProgressWindow& progress() const { return progress_; }
    int brushesCreated() const { return brushesCreated_; }
    int brushesDeleted() const { return brushesDeleted_; }
    std::size_t liveBrushes() const { return liveBrushes_.size(); }

    const std::vector<std::string>& log() const { return log_; }
    // Log lines that start with `prefix`, in order (e.g. "setControlText", "enable 1002").
    std::vector<std::string> logOf(std::string_view prefix) const;
    void clearLog() { log_.clear(); }

    // --- WindowOps ----------------------------------------------------------------------------
    void setControlText(int controlId, const std::u16string& text) override;
    int controlTextLength(int controlId) override;
    int getControlText(int controlId, char16_t* buffer, int capacity) override;
    void enableControl(int controlId, bool enabled) override;
    void setTitle(const std::u16string& title) override;
    void setClassIcon() override;
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
    void destroyProgressWindow() override;
    void raiseToTop(TopWindow window) override;
    TopWindow foregroundWindow() override;
    void showWindow(TopWindow window) override;
    void enterProtectedWrite() override;
    void leaveProtectedWrite() override;

    bool inProtectedWrite() const { return protectedWrite_; }

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
    const Control* control(int controlId) const;
    void record(std::string entry) { log_.push_back(std::move(entry)); }

    std::map<int, Control> controls_;
    std::map<int, ScreenRect> rects_;
    std::u16string title_;
    bool hasIcon_ = false;
    bool registered_ = false;
    bool registrationFails_ = false;
    bool progressFails_ = false;
    std::optional<std::intptr_t> dialogResult_;
    std::deque<BoxScript> boxScript_;
    std::vector<ShownBox> boxes_;
    int openBoxes_ = 0;
    std::deque<TopWindow> foregroundScript_;
    TopWindow foregroundFallback_ = TopWindow::Main;
    ProgressWindow progress_;
    BrushHandle nextBrush_ = 1;
    std::set<BrushHandle> liveBrushes_;
    int brushesCreated_ = 0;
    int brushesDeleted_ = 0;
    std::vector<std::string> log_;
    bool protectedWrite_ = false;
};

// UTF-8 with CR and LF shown as \r and \n: how texts appear in the log and in failures.
std::string printable(std::u16string_view text);

}  // namespace talo::test
