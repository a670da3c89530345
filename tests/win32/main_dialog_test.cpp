#include <gtest/gtest.h>

#include <map>
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

// The style bits that make each kind behave: the default button (Enter), the read-only
// scrolling status pane, right-aligned version fields. Mask 0x0F: a button's type.
struct StyleBits {
    LONG mask;
    LONG style;
    LONG exStyle;
};
const std::map<DialogControlKind, StyleBits> kStyleBits = {
    {DialogControlKind::DefaultButton, {0x0F, BS_DEFPUSHBUTTON, 0}},
    {DialogControlKind::Button, {0x0F, BS_PUSHBUTTON, 0}},
    {DialogControlKind::GroupBox, {0x0F, BS_GROUPBOX, 0}},
    {DialogControlKind::StatusEdit,
     {ES_MULTILINE | ES_READONLY | WS_VSCROLL, ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0}},
    {DialogControlKind::StaticRight, {0, 0, WS_EX_RIGHT}},
};

// Template 110 as compiled into this program, created: every control stands where the generated
// layout puts it, with its text, its starting state and the style bits of its kind.
TEST(MainDialogTemplate, ControlsStandWhereTheGeneratedLayoutPutsThem) {
    testing::RecordingHandler handler;
    HWND dialog = testing::createMainDialog(handler);
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
        if (const auto bits = kStyleBits.find(want.kind); bits != kStyleBits.end()) {
            const StyleBits& b = bits->second;
            EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & b.mask, b.style) << want.id;
            EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE) & b.exStyle, b.exStyle) << want.id;
        }
    }
    DestroyWindow(dialog);
}

// The progress window is laid out for 96 DPI: 400 x 50 at (300, 275), centred on (500, 300).
TEST(ProgressWindowScaling, GrowsWithTheScreenAroundTheSameCentre) {
    const std::map<int, RECT> cases = {
        {96, {300, 275, 700, 325}}, {144, {200, 263, 800, 338}}, {192, {100, 250, 900, 350}}};
    for (const auto& [dotsPerInch, expected] : cases) {
        const RECT place = scaledAroundCentre(300, 275, 400, 50, dotsPerInch);
        EXPECT_TRUE(EqualRect(&place, &expected))
            << dotsPerInch << ": " << place.left << " " << place.top << " " << place.right << " "
            << place.bottom;
    }
}

// The main dialog with its window operations and logic over a simulated unit that another
// program writes.
class MainDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetSession(session);
        hid.setClaimedElsewhere(unit, true);
        dialog = testing::createMainDialog(handler);
        ASSERT_NE(dialog, nullptr);
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

// Logo pixels right of the group box: drawn, and none in the key colour.
TEST_F(MainDialogTest, LogoIsDrawnWithoutItsKeyColour) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(dialog);
    RECT group{};
    GetWindowRect(GetDlgItem(dialog, kIdVersionGroup), &group);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&group), 2);
    int logoPixels = 0;
    int keyPixels = 0;
    for (int x = group.right + 20; x < group.right + 200; x += 3) {
        for (int y = group.top - 10; y < group.top + 70; y += 3) {
            const COLORREF colour = GetPixel(dc, x, y);
            logoPixels += colour != GetSysColor(COLOR_BTNFACE) && colour != CLR_INVALID ? 1 : 0;
            keyPixels += colour == RGB(0, 255, 0) ? 1 : 0;
        }
    }
    ReleaseDC(dialog, dc);
    EXPECT_GT(logoPixels, 100);
    EXPECT_EQ(keyPixels, 0);
}

TEST_F(MainDialogTest, RetryTimerOffersTheUnitOnceTheOtherProgramHasLetGoOfIt) {
    HWND update = GetDlgItem(dialog, kIdUpdate);
    EXPECT_FALSE(IsWindowEnabled(update));
    hid.setClaimedElsewhere(unit, false);
    const ULONGLONG start = GetTickCount64();
    while (!IsWindowEnabled(update) && GetTickCount64() - start < 3 * kRetryPeriodMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        testing::runQueue();
    }
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
