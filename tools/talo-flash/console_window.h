#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "console.h"
#include "ui/window_ops.h"

namespace talo::flash {

// A message box as the console showed it.
struct ShownBox {
    std::u16string caption;
    std::u16string text;
    MessageBoxKind kind = MessageBoxKind::Error;
    int answer = kAnswerOk;
};

// The window operations of the updater on a console. Controls are plain texts kept in memory
// (the status pane and the version panel are read back by the verbs); message boxes are printed
// as caption and text; the Yes/No question becomes a y/N prompt, answered Yes by --yes and No
// when nobody can answer (input is not a terminal). Texts come from the built-in catalogue.
// With `quiet` (JSON output) boxes are recorded but not printed, and the prompt goes to stderr.
class ConsoleWindow final : public WindowOps {
  public:
    ConsoleWindow(Console& console, bool assumeYes, bool quiet);

    // Called before anything is printed, so a progress line can be ended first.
    void setBeforeOutput(std::function<void()> hook) { beforeOutput_ = std::move(hook); }

    std::u16string controlText(int controlId) const;
    bool controlEnabled(int controlId) const;
    const std::optional<ShownBox>& lastError() const { return lastError_; }
    const std::optional<ShownBox>& question() const { return question_; }
    const std::optional<ShownBox>& notice() const { return notice_; }

    void setControlText(int controlId, const std::u16string& text) override;
    int controlTextLength(int controlId) override;
    int getControlText(int controlId, char16_t* buffer, int capacity) override;
    void enableControl(int controlId, bool enabled) override;
    void setTitle(const std::u16string&) override {}
    void setClassIcon() override {}
    int messageBox(const std::u16string& text, const std::u16string& caption,
                   MessageBoxKind kind) override;
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override;
    bool registerDeviceNotification() override { return true; }
    void unregisterDeviceNotification() override {}
    void endDialog(std::intptr_t) override {}
    ScreenRect windowRect(int) override { return {}; }
    BrushHandle createButtonFaceBrush() override { return 0; }
    void deleteBrush(BrushHandle) override {}
    // The progress window is drawn by the UpdateMonitor from the update's phases.
    bool createProgressWindow(const std::u16string&, int, int, int, int) override { return true; }
    void setProgressPosition(unsigned) override {}
    void destroyProgressWindow() override {}
    void raiseToTop(TopWindow) override {}
    TopWindow foregroundWindow() override { return TopWindow::Other; }
    void showWindow(TopWindow) override {}

  private:
    int ask(const std::u16string& text, const std::u16string& caption);

    Console& console_;
    bool assumeYes_;
    bool quiet_;
    std::function<void()> beforeOutput_;
    std::map<int, std::u16string> texts_;
    std::map<int, bool> enabled_;
    std::optional<ShownBox> lastError_;
    std::optional<ShownBox> question_;
    std::optional<ShownBox> notice_;
};

}  // namespace talo::flash
