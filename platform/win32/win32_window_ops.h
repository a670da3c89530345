#pragma once

#include "platform/win32/win32_headers.h"
#include "ui/window_ops.h"

namespace talo::win32 {

// What the platform does when the write of the controller's flash begins and ends.
class ProtectedWriteHooks {
  public:
    virtual ~ProtectedWriteHooks() = default;
    virtual void writeBegins() = 0;
    virtual void writeEnds() = 0;
};

// WindowOps on the main dialog window: each call maps onto the Win32 function its interface
// comment names. Owns the notification registration and the progress window.
class Win32WindowOps final : public WindowOps {
  public:
    explicit Win32WindowOps(HINSTANCE instance) : instance_(instance) {}
    ~Win32WindowOps() override;
    Win32WindowOps(const Win32WindowOps&) = delete;
    Win32WindowOps& operator=(const Win32WindowOps&) = delete;

    // Set as the first step of WM_INITDIALOG.
    void attach(HWND mainWindow) { main_ = mainWindow; }
    HWND mainWindow() const { return main_; }
    HINSTANCE instance() const { return instance_; }
    HWND progressWindow() const { return progress_; }

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
    // The write span is handed to `hooks` (borrowed; null: none).
    void setProtectedWriteHooks(ProtectedWriteHooks* hooks) { hooks_ = hooks; }
    void enterProtectedWrite() override;
    void leaveProtectedWrite() override;

  private:
    HWND windowOf(TopWindow window) const;

    HINSTANCE instance_;
    HWND main_ = nullptr;
    HWND progress_ = nullptr;
    HDEVNOTIFY notification_ = nullptr;
    ProtectedWriteHooks* hooks_ = nullptr;
};

// A window rectangle laid out for 96 dots per inch, grown in proportion for a screen of
// `dotsPerInch` around the same centre.
RECT scaledAroundCentre(int x, int y, int width, int height, int dotsPerInch);

// Wide-character views of UTF-16 text (wchar_t is 16 bits wide on Windows).
inline const wchar_t* wide(const std::u16string& text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline wchar_t* wide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}

}  // namespace talo::win32
