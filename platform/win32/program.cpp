#include "device/device_session.h"
#include "history/file_journal.h"
#include "platform/win32/dialog_procedure.h"
#include "platform/win32/firmware_resource.h"
#include "platform/win32/main_window_dialog.h"
#include "platform/win32/waitable_timer_clock.h"
#include "platform/win32/win32_hid_platform.h"
#include "platform/win32/win32_window_ops.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    using namespace talo;
    InitCommonControls();

    win32::Win32HidPlatform hid;
    win32::WaitableTimerClock clock;
    DeviceSession session;
    resetSession(session);
    win32::Win32WindowOps ops(instance);
    const FirmwareImage image = win32::firmwareImageResource(instance);
    MainWindow logic(ops, DeviceLink{hid, clock}, session, image);
    FileJournal journal = windowJournal("talo-updater", image);
    logic.context().journal = &journal;
    win32::MainWindowDialog dialog(ops, logic);

    DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialogTemplateId), nullptr,
                    win32::mainDialogProcedure, reinterpret_cast<LPARAM>(&dialog));
    return 0;
}
