#pragma once

#include <cstdint>

#include "device/device_notification.h"
#include "platform/win32/win32_headers.h"

namespace talo::win32 {

// What the main dialog does with each message it handles, already translated out of
// wParam/lParam. The dialog procedure only translates; the behaviour lives behind this.
class DialogHandler {
  public:
    virtual ~DialogHandler() = default;

    virtual std::intptr_t onInitDialog(HWND window) = 0;
    virtual std::intptr_t onCommand(int controlId) = 0;
    // Background brush for a static control, or nullptr for the system colours.
    virtual HBRUSH onCtlColorStatic(int controlId) = 0;
    virtual void onPaint(HDC dc) = 0;
    // record is null when the message carried no readable record.
    virtual std::intptr_t onDeviceChange(std::uint32_t eventCode,
                                         const DeviceNotification* record) = 0;
    virtual void onTimer(UINT_PTR /*timerId*/) {}
    // WM_SYSCOMMAND with the command's upper bits; true keeps the system from carrying it out.
    virtual bool onSystemCommand(unsigned /*command*/) { return false; }
    // WM_QUERYENDSESSION: false refuses to let the session end now.
    virtual bool onQueryEndSession() { return true; }
    // kReplayDeviceChangeMessage: a device notification that was held back is due.
    virtual void onReplayDeviceChange() {}
};

// Posted to the main dialog, once per pending notification, when held-back device
// notifications are due.
inline constexpr UINT kReplayDeviceChangeMessage = WM_APP + 1;

// Text colour of the red row.
inline constexpr COLORREF kRedRowTextColour = RGB(255, 0, 0);

// The dialog procedure. The DialogHandler comes as the init parameter of the dialog
// (DialogBoxParamW / CreateDialogParamW) and is kept in DWLP_USER; messages that arrive
// before WM_INITDIALOG are not handled.
INT_PTR CALLBACK mainDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The translation itself, for a known handler.
INT_PTR dispatchDialogMessage(DialogHandler& handler, HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam);

}  // namespace talo::win32
