#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/messages.h"
#include "ui/control_ids.h"
#include "ui/window_ops.h"

namespace talo::test {

// UTF-8 with CR and LF shown as \r and \n: how texts appear in the log and in failures.
std::string printable(std::u16string_view text);

// A fake main window for tests. It starts as dialog template 110 does ("Update" disabled,
// placeholder texts), keeps every control's text and enabled state, and logs every call in
// order as its name and arguments, e.g. "setControlText 40004 <text>", "enable 1002 0",
// "messageBox Error <caption>", "raiseToTop Main". Boxes are answered from `boxAnswers`, then
// with their default button (OK, or Yes for the Yes/No warning); foregroundWindow() from
// `foreground`, then Other. Addressing a control the template does not have, or deleting a
// brush that is not live, fails the running test.
class RecordingWindow : public WindowOps {
  public:
    RecordingWindow();

    std::deque<int> boxAnswers;
    std::deque<TopWindow> foreground;
    std::map<int, ScreenRect> rects;  // of the main window and the group box, preset
    bool registrationFails = false;

    std::vector<std::string> log;
    std::vector<std::u16string> boxTexts;
    std::set<BrushHandle> liveBrushes;

    std::u16string controlText(int id) const { return controls_.at(id).text; }
    bool isEnabled(int id) const { return controls_.at(id).enabled; }
    std::u16string statusText() const { return controlText(kIdStatusPane); }
    // Log lines that start with `prefix`, in order.
    std::vector<std::string> logOf(std::string_view prefix) const;
    // The log holds `expected` in this order, other entries allowed in between.
    ::testing::AssertionResult loggedInOrder(std::initializer_list<std::string> expected) const;

    void setControlText(int id, const std::u16string& text) override {
        note("setControlText", id, printable(text));
        controls_.at(id).text = text.substr(0, text.find(u'\0'));  // as SetWindowTextW keeps it
    }
    int controlTextLength(int id) override {
        note("controlTextLength", id);
        return static_cast<int>(controls_.at(id).text.size());
    }
    int getControlText(int id, char16_t* buffer, int capacity) override;
    void enableControl(int id, bool enabled) override {
        note("enable", id, enabled);
        controls_.at(id).enabled = enabled;
    }
    void setTitle(const std::u16string& title) override { note("setTitle", printable(title)); }
    void setClassIcon() override { note("setClassIcon"); }
    int messageBox(const std::u16string& text, const std::u16string& caption,
                   MessageBoxKind kind) override;
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override {
        note("loadString", id);
        return loadCatalogueString(id, buffer, capacity);
    }
    bool registerDeviceNotification() override {
        note("registerDeviceNotification");
        return !registrationFails;
    }
    void unregisterDeviceNotification() override { note("unregisterDeviceNotification"); }
    void endDialog(std::intptr_t result) override { note("endDialog", result); }
    ScreenRect windowRect(int id) override { return rects.at(id); }
    BrushHandle createButtonFaceBrush() override {
        note("createButtonFaceBrush");
        return *liveBrushes.insert(++brushesMade_).first;
    }
    void deleteBrush(BrushHandle brush) override {
        note("deleteBrush", brush);
        EXPECT_EQ(liveBrushes.erase(brush), 1u) << "deleteBrush " << brush << ": not live";
    }
    bool createProgressWindow(const std::u16string& title, int x, int y, int width,
                              int height) override {
        note("createProgressWindow", printable(title), x, y, width, height);
        return true;
    }
    void setProgressPosition(unsigned percent) override { note("setProgressPosition", percent); }
    void destroyProgressWindow() override { note("destroyProgressWindow"); }
    void raiseToTop(TopWindow window) override { note("raiseToTop", window); }
    TopWindow foregroundWindow() override;
    void showWindow(TopWindow window) override { note("showWindow", window); }
    void enterProtectedWrite() override { note("enterProtectedWrite"); }
    void leaveProtectedWrite() override { note("leaveProtectedWrite"); }

  private:
    struct Control {
        std::u16string text;
        bool enabled = true;
    };

    template <typename... Args>
    void note(const char* call, const Args&... args) {
        std::ostringstream line;
        line << call;
        ((line << ' ' << shown(args)), ...);
        log.push_back(line.str());
    }
    template <typename T>
    static const T& shown(const T& value) {
        return value;
    }
    static const char* shown(TopWindow window) {
        return std::array{"Other", "Main", "Progress"}[static_cast<std::size_t>(window)];
    }
    static const char* shown(MessageBoxKind kind) {
        return std::array{"Error", "Information", "WarningYesNo"}[static_cast<std::size_t>(kind)];
    }

    std::map<int, Control> controls_;
    BrushHandle brushesMade_ = 0;
};

}  // namespace talo::test
