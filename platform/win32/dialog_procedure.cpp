#include "platform/win32/dialog_procedure.h"

#include "platform/win32/notification_record.h"
#include "ui/control_ids.h"

namespace talo::win32 {
namespace {

// The id of a static control, compared against the red row's current control handles.
int staticControlId(HWND window, HWND control) {
    if (control != nullptr && control == GetDlgItem(window, kIdControllerLabel)) {
        return kIdControllerLabel;
    }
    if (control != nullptr && control == GetDlgItem(window, kIdControllerVersion)) {
        return kIdControllerVersion;
    }
    return GetDlgCtrlID(control);
}

INT_PTR paint(DialogHandler& handler, HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr) {
        handler.onPaint(dc);
    }
    EndPaint(window, &paint);
    return 0;
}

}  // namespace

INT_PTR dispatchDialogMessage(DialogHandler& handler, HWND window, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return handler.onInitDialog(window);
        case WM_PAINT:
            return paint(handler, window);
        case WM_COMMAND:
            return handler.onCommand(LOWORD(wParam));
        case WM_CTLCOLORSTATIC: {
            HBRUSH brush =
                handler.onCtlColorStatic(staticControlId(window, reinterpret_cast<HWND>(lParam)));
            if (brush == nullptr) {
                return 0;
            }
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kRedRowTextColour);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(brush);
        }
        case WM_DEVICECHANGE: {
            DeviceNotification record;
            const bool readable =
                readDeviceNotification(reinterpret_cast<const void*>(lParam), record);
            const std::intptr_t handled = handler.onDeviceChange(static_cast<std::uint32_t>(wParam),
                                                                 readable ? &record : nullptr);
            return handled != 0 ? 1 : 0;
        }
        case WM_TIMER:
            handler.onTimer(static_cast<UINT_PTR>(wParam));
            return 1;
        case WM_SYSCOMMAND:
            return handler.onSystemCommand(static_cast<unsigned>(wParam & 0xFFF0)) ? 1 : 0;
        case WM_QUERYENDSESSION:
            if (handler.onQueryEndSession()) {
                return 0;  // the dialog manager answers TRUE
            }
            SetWindowLongPtrW(window, DWLP_MSGRESULT, FALSE);
            return 1;
        case kReplayDeviceChangeMessage:
            handler.onReplayDeviceChange();
            return 1;
        default:
            return 0;
    }
}

INT_PTR CALLBACK mainDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    }
    auto* handler = reinterpret_cast<DialogHandler*>(GetWindowLongPtrW(window, DWLP_USER));
    if (handler == nullptr) {
        return 0;
    }
    return dispatchDialogMessage(*handler, window, message, wParam, lParam);
}

}  // namespace talo::win32
