#include <gtest/gtest.h>

#include <set>
#include <string>

#include "device/device_session.h"
#include "platform/win32/execution_state_awake.h"
#include "platform/win32/main_window_dialog.h"
#include "platform/win32/waitable_timer_clock.h"
#include "resources/main_dialog_layout.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "tests/win32/win32_fakes.h"
#include "ui/main_window.h"

namespace talo::win32 {
namespace {

// Template 110 as compiled into this program, created: every control stands where the generated
// layout puts it, with its text and its starting state.
TEST(MainDialogTemplate, ControlsStandWhereTheGeneratedLayoutPutsThem) {
    HWND dialog = testing::createMainDialog(nullptr);
    for (const DialogControl& want : kDialogControls) {
        HWND control = GetDlgItem(dialog, want.id);
        RECT size{want.x, want.y, want.width, want.height}, placed{};
        MapDialogRect(dialog, &size);  // position and size each, as the dialog manager maps
        const RECT expected{size.left, size.top, size.left + size.right, size.top + size.bottom};
        GetWindowRect(control, &placed);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
        wchar_t text[512] = {};
        GetWindowTextW(control, text, 512);
        EXPECT_TRUE(EqualRect(&expected, &placed)) << want.id;
        EXPECT_EQ(reinterpret_cast<const char16_t*>(text), std::u16string(want.text)) << want.id;
        EXPECT_EQ(IsWindowEnabled(control) != FALSE, !want.disabled) << want.id;
    }
    DestroyWindow(dialog);
}

// The progress window is laid out for 96 DPI: 400 x 50 at (300, 275), centred on (500, 300).
TEST(ProgressWindowScaling, GrowsWithTheScreenAroundTheSameCentre) {
    const RECT place = scaledAroundCentre(300, 275, 400, 50, 144), expected{200, 263, 800, 338};
    EXPECT_TRUE(EqualRect(&place, &expected))
        << place.left << " " << place.top << " " << place.right << " " << place.bottom;
}

// The main dialog with its window operations and logic over a simulated unit that another
// program writes.
class MainDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetSession(session);
        hid.setClaimedElsewhere(unit, true);
        dialog = testing::createMainDialog(&handler);
        ShowWindow(dialog, SW_SHOWNA);
    }
    void TearDown() override { DestroyWindow(dialog); }

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    const sim::DeviceId unit = hid.addUnit(sim::makeUnit(sim::Situation::Ready));
    DeviceSession session;
    Win32WindowOps ops{GetModuleHandleW(nullptr)};
    MainWindow logic{ops, DeviceLink{hid, clock}, session, FirmwareImage{}};
    MainWindowDialog handler{ops, logic};
    HWND dialog = nullptr;
};

// The colours right of the group box: the logo's, none of them its key colour.
TEST_F(MainDialogTest, LogoIsDrawnWithoutItsKeyColour) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(dialog);
    RECT group{};
    GetWindowRect(GetDlgItem(dialog, kIdVersionGroup), &group);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&group), 2);
    std::multiset<COLORREF> colours;
    for (int x = group.right + 20; x < group.right + 200; x += 3) {
        for (int y = group.top - 10; y < group.top + 70; y += 3) {
            colours.insert(GetPixel(dc, x, y));
        }
    }
    ReleaseDC(dialog, dc);
    EXPECT_GT(colours.size() - colours.count(GetSysColor(COLOR_BTNFACE)), 100u);
    EXPECT_EQ(colours.count(RGB(0, 255, 0)), 0u);
}

TEST_F(MainDialogTest, RetryTimerOffersTheUnitOnceTheOtherProgramHasLetGoOfIt) {
    HWND update = GetDlgItem(dialog, kIdUpdate);
    hid.setClaimedElsewhere(unit, false);
    SendMessageW(dialog, WM_TIMER, kRetryTimerId + 1, 0);  // not the retry timer
    EXPECT_FALSE(IsWindowEnabled(update));
    EXPECT_TRUE(KillTimer(dialog, kRetryTimerId));  // started with the window
    SendMessageW(dialog, WM_TIMER, kRetryTimerId, 0);
    EXPECT_TRUE(IsWindowEnabled(update));
}

// A call without ES_CONTINUOUS leaves the thread's continuous state as it is and returns it.
TEST(ExecutionStateAwake, AsksForTheSystemWhileHeldAndClearsOnReleaseAndDestruction) {
    const auto state = [] { return SetThreadExecutionState(0); };
    {
        ExecutionStateAwake awake;
        awake.hold();
        EXPECT_EQ(state(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
        awake.release();
        EXPECT_EQ(state(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
        awake.hold();
    }
    EXPECT_EQ(state(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
}

// Only the lower bound is a test: the unit's fixed pacing must never be cut short; how much
// longer a pause takes depends on the machine's load.
TEST(WaitableTimerClock, PausesThroughTheGivenWaitAreNeverShorterThanAsked) {
    testing::CountingWait wait;
    WaitableTimerClock clock(wait);
    for (const std::uint32_t ms : {0U, 1U, 2U, 20U}) {
        const std::uint64_t start = clock.nowMicros();
        clock.sleepMs(ms);
        EXPECT_GE(clock.nowMicros() - start, std::uint64_t{ms} * 1000U) << ms << " ms";
    }
    EXPECT_EQ(wait.waits, 3);  // the timer serves every pause of a millisecond or more
}

}  // namespace
}  // namespace talo::win32
