#pragma once

#include <cstdint>
#include <string>

#include "ui/message_source.h"

namespace talo {

enum class MessageBoxKind {
    Error,         // error icon, OK
    Information,   // information icon, OK
    WarningYesNo,  // warning icon, Yes (default) and No
};

// Message box answers, with the platform's values.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// The program's two top-level windows, as far as the z-order and foreground logic cares.
enum class TopWindow { Other, Main, Progress };

struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// An opaque platform brush; 0 means none.
using BrushHandle = std::uintptr_t;

// Everything the portable window logic does to the main window and its progress window. The
// Windows program maps each call onto the Win32 function named in its comment; the Linux
// program onto Qt; tests onto a recording fake. Controls are addressed by their fixed ids.
// Calls may re-enter the logic: a modal message box runs a message loop in which device
// notifications are delivered.
class WindowOps : public MessageSource {
  public:
    // Control texts (SetDlgItemTextW / SetWindowTextW, GetWindowTextLengthW, GetWindowTextW).
    virtual void setControlText(int controlId, const std::u16string& text) = 0;
    virtual int controlTextLength(int controlId) = 0;
    // Copies at most capacity - 1 characters and a terminator; returns the characters copied.
    virtual int getControlText(int controlId, char16_t* buffer, int capacity) = 0;

    virtual void enableControl(int controlId, bool enabled) = 0;  // EnableWindow
    virtual void setTitle(const std::u16string& title) = 0;       // WM_SETTEXT on the window
    virtual void setClassIcon() = 0;                              // SetClassLongW + icon 123

    // Modal box owned by the main window (MessageBoxW); returns the answer.
    virtual int messageBox(const std::u16string& text, const std::u16string& caption,
                           MessageBoxKind kind) = 0;

    // Message lookup (LoadStringW) comes from MessageSource.

    // Device-interface arrival/removal notifications for the HID class
    // (RegisterDeviceNotificationW / UnregisterDeviceNotification).
    virtual bool registerDeviceNotification() = 0;
    virtual void unregisterDeviceNotification() = 0;

    virtual void endDialog(std::intptr_t result) = 0;  // EndDialog

    // Screen rectangle of the main window (kIdMainWindow) or of a control (GetWindowRect).
    virtual ScreenRect windowRect(int controlId) = 0;

    // Background brush of the red row: a solid brush of the button-face colour
    // (GetSysColor(COLOR_BTNFACE) + CreateSolidBrush) and its release (DeleteObject).
    virtual BrushHandle createButtonFaceBrush() = 0;
    virtual void deleteBrush(BrushHandle brush) = 0;

    // Progress window: a top-level progress bar (msctls_progress32, range 0..100) owned by the
    // main window. setProgressPosition shows the new position at once, without a message loop.
    virtual bool createProgressWindow(const std::u16string& title, int x, int y, int width,
                                      int height) = 0;
    virtual void setProgressPosition(unsigned percent) = 0;  // PBM_SETPOS
    virtual void destroyProgressWindow() = 0;                // DestroyWindow

    // SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE).
    virtual void raiseToTop(TopWindow window) = 0;
    virtual TopWindow foregroundWindow() = 0;       // GetForegroundWindow
    virtual void showWindow(TopWindow window) = 0;  // ShowWindow(SW_SHOW)

    // The write of the controller's flash runs between these two calls, synchronously on the
    // window's thread. Meanwhile the windows must stay alive for the system (answer its
    // liveness checks, repaint), while user input, close requests and device notifications are
    // held back: a close is carried out, and notifications are delivered in their order, once
    // the update command has returned (or from the loop of the failure box).
    virtual void enterProtectedWrite() = 0;
    virtual void leaveProtectedWrite() = 0;
};

}  // namespace talo
