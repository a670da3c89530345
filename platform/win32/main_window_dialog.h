#pragma once

#include "platform/win32/dialog_procedure.h"
#include "platform/win32/win32_window_ops.h"
#include "ui/main_window.h"

namespace talo::win32 {

// Id and period of the timer that lets the window look again for a unit another program was
// writing.
inline constexpr UINT_PTR kRetryTimerId = 1;
inline constexpr UINT kRetryPeriodMs = 1000;

// The main dialog's messages handed to the portable window logic, plus the logo painting,
// which needs the paint context, and the retry timer, started when the window is created.
class MainWindowDialog final : public DialogHandler {
  public:
    MainWindowDialog(Win32WindowOps& ops, MainWindow& logic) : ops_(ops), logic_(logic) {}

    std::intptr_t onInitDialog(HWND window) override;
    std::intptr_t onCommand(int controlId) override;
    HBRUSH onCtlColorStatic(int controlId) override;
    void onPaint(HDC dc) override;
    std::intptr_t onDeviceChange(std::uint32_t eventCode,
                                 const DeviceNotification* record) override;
    void onTimer(UINT_PTR timerId) override;

  private:
    Win32WindowOps& ops_;
    MainWindow& logic_;
};

}  // namespace talo::win32
