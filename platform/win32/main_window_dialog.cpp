#include "platform/win32/main_window_dialog.h"

#include "platform/win32/logo_painter.h"

namespace talo::win32 {

std::intptr_t MainWindowDialog::onInitDialog(HWND window) {
    ops_.attach(window);
    const std::intptr_t result = logic_.onInitDialog();
    SetTimer(window, kRetryTimerId, kRetryPeriodMs, nullptr);
    return result;
}

void MainWindowDialog::onTimer(UINT_PTR timerId) {
    if (timerId == kRetryTimerId) {
        logic_.onRetryTimer();
    }
}

std::intptr_t MainWindowDialog::onCommand(int controlId) {
    return logic_.onCommand(controlId);
}

HBRUSH MainWindowDialog::onCtlColorStatic(int controlId) {
    return reinterpret_cast<HBRUSH>(logic_.onCtlColorStatic(controlId));
}

void MainWindowDialog::onPaint(HDC dc) {
    paintLogo(dc, ops_.mainWindow(), ops_.instance());
}

std::intptr_t MainWindowDialog::onDeviceChange(std::uint32_t eventCode,
                                               const DeviceNotification* record) {
    return logic_.onDeviceChange(eventCode, record);
}

}  // namespace talo::win32
