#include "platform/win32/win32_window_ops.h"

#include "ui/control_ids.h"

namespace talo::win32 {

Win32WindowOps::~Win32WindowOps() {
    destroyProgressWindow();
    unregisterDeviceNotification();
}

void Win32WindowOps::setControlText(int controlId, const std::u16string& text) {
    SetDlgItemTextW(main_, controlId, wide(text));
}

int Win32WindowOps::controlTextLength(int controlId) {
    return GetWindowTextLengthW(GetDlgItem(main_, controlId));
}

int Win32WindowOps::getControlText(int controlId, char16_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = u'\0';
    return GetWindowTextW(GetDlgItem(main_, controlId), wide(buffer), capacity);
}

void Win32WindowOps::enableControl(int controlId, bool enabled) {
    EnableWindow(GetDlgItem(main_, controlId), enabled ? TRUE : FALSE);
}

void Win32WindowOps::setTitle(const std::u16string& title) {
    SendMessageW(main_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(title)));
}

void Win32WindowOps::setClassIcon() {
    HICON icon = LoadIconW(instance_, MAKEINTRESOURCEW(kIconId));
    SetClassLongPtrW(main_, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

int Win32WindowOps::messageBox(const std::u16string& text, const std::u16string& caption,
                               MessageBoxKind kind) {
    UINT type = MB_OK | MB_ICONERROR;
    switch (kind) {
        case MessageBoxKind::Error:
            type = MB_OK | MB_ICONERROR;
            break;
        case MessageBoxKind::Information:
            type = MB_OK | MB_ICONINFORMATION;
            break;
        case MessageBoxKind::WarningYesNo:
            type = MB_YESNO | MB_ICONWARNING;
            break;
    }
    return MessageBoxW(main_, wide(text), wide(caption), type);
}

int Win32WindowOps::loadString(std::uint16_t id, char16_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = u'\0';
    return LoadStringW(instance_, id, wide(buffer), capacity);
}

bool Win32WindowOps::registerDeviceNotification() {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    notification_ = RegisterDeviceNotificationW(main_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return notification_ != nullptr;
}

void Win32WindowOps::unregisterDeviceNotification() {
    if (notification_ != nullptr) {
        UnregisterDeviceNotification(notification_);
        notification_ = nullptr;
    }
}

void Win32WindowOps::endDialog(std::intptr_t result) {
    EndDialog(main_, result);
}

ScreenRect Win32WindowOps::windowRect(int controlId) {
    HWND window = controlId == kIdMainWindow ? main_ : GetDlgItem(main_, controlId);
    RECT rect{};
    GetWindowRect(window, &rect);
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

BrushHandle Win32WindowOps::createButtonFaceBrush() {
    return reinterpret_cast<BrushHandle>(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
}

void Win32WindowOps::deleteBrush(BrushHandle brush) {
    if (brush != 0) {
        DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
    }
}

RECT scaledAroundCentre(int x, int y, int width, int height, int dotsPerInch) {
    const int scaledWidth = MulDiv(width, dotsPerInch, 96);
    const int scaledHeight = MulDiv(height, dotsPerInch, 96);
    const int left = x + width / 2 - scaledWidth / 2;
    const int top = y + height / 2 - scaledHeight / 2;
    return RECT{left, top, left + scaledWidth, top + scaledHeight};
}

bool Win32WindowOps::createProgressWindow(const std::u16string& title, int x, int y, int width,
                                          int height) {
    destroyProgressWindow();
    // The dialog grows with the system's DPI through its dialog units; the progress window is
    // given in 96-DPI pixels and grows by the same factor.
    HDC screen = GetDC(nullptr);
    const int dotsPerInch = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    ReleaseDC(nullptr, screen);
    const RECT place = scaledAroundCentre(x, y, width, height, dotsPerInch);
    // Neither child nor pop-up: the system gives it a title bar and a border.
    progress_ = CreateWindowExW(0, PROGRESS_CLASSW, wide(title), WS_VISIBLE | PBS_SMOOTH,
                                place.left, place.top, place.right - place.left,
                                place.bottom - place.top, main_, nullptr, instance_, nullptr);
    return progress_ != nullptr;
}

void Win32WindowOps::setProgressPosition(unsigned percent) {
    if (progress_ == nullptr) {
        return;
    }
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    // No message loop runs during the write: paint the new position now.
    UpdateWindow(progress_);
}

void Win32WindowOps::destroyProgressWindow() {
    if (progress_ != nullptr) {
        DestroyWindow(progress_);
        progress_ = nullptr;
    }
}

HWND Win32WindowOps::windowOf(TopWindow window) const {
    switch (window) {
        case TopWindow::Main:
            return main_;
        case TopWindow::Progress:
            return progress_;
        case TopWindow::Other:
            break;
    }
    return nullptr;
}

void Win32WindowOps::raiseToTop(TopWindow window) {
    HWND handle = windowOf(window);
    if (handle != nullptr) {
        SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    }
}

TopWindow Win32WindowOps::foregroundWindow() {
    HWND foreground = GetForegroundWindow();
    if (foreground != nullptr && foreground == main_) {
        return TopWindow::Main;
    }
    if (foreground != nullptr && foreground == progress_) {
        return TopWindow::Progress;
    }
    return TopWindow::Other;
}

void Win32WindowOps::showWindow(TopWindow window) {
    HWND handle = windowOf(window);
    if (handle != nullptr) {
        ShowWindow(handle, SW_SHOW);
    }
}

void Win32WindowOps::enterProtectedWrite() {
    if (hooks_ != nullptr) {
        hooks_->writeBegins();
    }
}

void Win32WindowOps::leaveProtectedWrite() {
    if (hooks_ != nullptr) {
        hooks_->writeEnds();
    }
}

}  // namespace talo::win32
