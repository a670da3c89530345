#include <gtest/gtest.h>

#include "device/device_session.h"
#include "platform/win32/main_window_dialog.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"

namespace talo::win32 {
namespace {

// The main window over a simulated unit that another program writes: once that program has
// let go of the unit, the window's own timer offers it, without any device notification.
TEST(RetryTimer, OffersAUnitOnceAnotherProgramHasLetGoOfIt) {
    sim::VirtualClock clock;
    sim::SimHidPlatform hid(clock);
    const sim::DeviceId unit = hid.addUnit(sim::makeUnit(sim::Situation::Ready));
    hid.setClaimedElsewhere(unit, true);
    DeviceSession session;
    resetSession(session);
    Win32WindowOps ops(GetModuleHandleW(nullptr));
    MainWindow logic(ops, DeviceLink{hid, clock}, session, FirmwareImage{});
    MainWindowDialog handler(ops, logic);
    HWND dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogTemplateId), nullptr,
                           mainDialogProcedure, reinterpret_cast<LPARAM>(&handler));
    ASSERT_NE(dialog, nullptr);
    HWND update = GetDlgItem(dialog, kIdUpdate);
    EXPECT_FALSE(IsWindowEnabled(update));

    hid.setClaimedElsewhere(unit, false);
    const ULONGLONG start = GetTickCount64();
    MSG message{};
    while (!IsWindowEnabled(update) && GetTickCount64() - start < 3 * kRetryPeriodMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }

    EXPECT_TRUE(IsWindowEnabled(update));
    DestroyWindow(dialog);
}

}  // namespace
}  // namespace talo::win32
