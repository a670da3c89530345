#include "history/file_journal.h"
#include "platform/win32/firmware_resource.h"
#include "platform/win32/main_dialog_run.h"
#include "platform/win32/waitable_timer_clock.h"
#include "platform/win32/win32_hid_platform.h"
#include "platform/win32/write_message_pump.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    using namespace talo;
    InitCommonControls();

    // Pauses and transfers wait through the pump, which keeps the window alive during the write.
    win32::WriteMessagePump pump;
    const auto hidCalls = win32::makeSystemHidCalls(pump);
    win32::Win32HidPlatform hid(*hidCalls);
    win32::WaitableTimerClock clock(pump);
    const FirmwareImage image = win32::firmwareImageResource(instance);
    FileJournal journal = windowJournal("talo-updater", image);
    win32::runMainDialog(instance, DeviceLink{hid, clock}, pump, image, &journal);
    return 0;
}
