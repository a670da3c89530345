#include "platform/win32/logo_painter.h"

#include "ui/control_ids.h"
#include "ui/main_window.h"

namespace talo::win32 {
namespace {

constexpr COLORREF kTransparentGreen = RGB(0, 255, 0);

ScreenRect screenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

void paintLogo(HDC dc, HWND mainWindow, HINSTANCE instance) {
    HBITMAP bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(kLogoBitmapId));
    if (bitmap == nullptr) {
        return;
    }
    BITMAP info{};
    HDC memory = nullptr;
    if (GetObjectW(bitmap, sizeof(info), &info) == sizeof(info) &&
        (memory = CreateCompatibleDC(dc)) != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        const LogoPlacement place = logoPlacement(
            info.bmWidth, info.bmHeight, screenRect(mainWindow),
            screenRect(GetDlgItem(mainWindow, kIdVersionGroup)), GetSystemMetrics(SM_CXDLGFRAME),
            GetSystemMetrics(SM_CYCAPTION), GetDeviceCaps(dc, LOGPIXELSX));
        if (place.width > 0 && place.height > 0) {
            TransparentBlt(dc, place.x, place.y, place.width, place.height, memory, 0, 0,
                           info.bmWidth, info.bmHeight, kTransparentGreen);
        }
        // The bitmap leaves the memory context before either is deleted.
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    DeleteObject(bitmap);
}

}  // namespace talo::win32
