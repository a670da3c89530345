#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>

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

using namespace std::literals;

// How windres compiles each kind of control: class name and the style bits it writes (rc adds
// others of its own).
const std::map<DialogControlKind, std::tuple<std::u16string, DWORD, DWORD>> kCompiled = {
    {DialogControlKind::DefaultButton, {u"BUTTON", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0}},
    {DialogControlKind::Button, {u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0}},
    {DialogControlKind::Static, {u"STATIC", SS_LEFT | WS_GROUP, 0}},
    {DialogControlKind::StaticRight, {u"STATIC", SS_LEFT | WS_GROUP, WS_EX_RIGHT}},
    {DialogControlKind::StatusEdit,
     {u"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_BORDER | WS_VSCROLL, 0}},
    {DialogControlKind::GroupBox, {u"BUTTON", BS_GROUPBOX | WS_GROUP, 0}},
};

// Extended dialog template 110 as compiled into this program: words in, compared with what the
// generated layout must compile to, header first, then control by control (DWORD aligned).
TEST(MainDialogTemplate, CompiledTemplateHoldsTheGeneratedLayout) {
    HRSRC found = FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(kDialogTemplateId),
                                  MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    ASSERT_NE(found, nullptr);
    const auto* at = static_cast<const char16_t*>(LockResource(LoadResource(nullptr, found)));
    const auto expect = [&](const std::u16string& words) {
        EXPECT_EQ(std::u16string(at, words.size()), words);
        at += words.size() + words.size() % 2;  // to the next DWORD
    };
    const auto dword = [](DWORD value) { return std::u16string{LOWORD(value), HIWORD(value)}; };
    // Version 1 of the extended template; help id; extended style; style; control count; x, y,
    // width, height; no menu; the standard class; caption; font: points, weight, italic and
    // character set, face.
    constexpr DWORD kStyle =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_FIXEDSYS;
    expect(u"\x0001\xFFFF" + dword(0) + dword(0) + dword(kStyle) +
           char16_t(kDialogControls.size()) + std::u16string(2, 0) + char16_t(kDialogWidth) +
           char16_t(kDialogHeight) + std::u16string(2, 0) + kDialogCaption + u'\0' +
           char16_t(kDialogFontPoints) + u"\0\x0100"s + kDialogFontFace + u'\0');
    for (const DialogControl& want : kDialogControls) {
        const auto& [className, style, exStyle] = kCompiled.at(want.kind);
        SCOPED_TRACE(want.id);
        // Help id; extended style; style; x, y, width, height; id; class; text; no creation data.
        expect(dword(0) + dword(exStyle) +
               dword(style | WS_CHILD | WS_VISIBLE | (want.disabled ? WS_DISABLED : 0u)) +
               char16_t(want.x) + char16_t(want.y) + char16_t(want.width) + char16_t(want.height) +
               dword(static_cast<DWORD>(want.id)) + className + u'\0' + want.text + u"\0\0"s);
    }
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
    std::optional<MainWindow> logic{std::in_place, ops, DeviceLink{hid, clock}, session,
                                    FirmwareImage{}};
    MainWindowDialog handler{ops, *logic};
    HWND dialog = nullptr;
};

// The red row's brush (one per window, which the window logic sees to) is of the button face
// colour and is deleted with the window; the logo is drawn without its key colour.
TEST_F(MainDialogTest, RedRowBrushIsButtonFaceAndDeletedWithTheWindowAndTheLogoLacksItsKeyColour) {
    HDC dc = GetDC(dialog);
    const auto brush = reinterpret_cast<HGDIOBJ>(
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kIdControllerVersion))));
    LOGBRUSH face{};
    ASSERT_EQ(GetObjectW(brush, sizeof(face), &face), static_cast<int>(sizeof(face)));
    EXPECT_EQ(face.lbColor, GetSysColor(COLOR_BTNFACE));

    // Logo pixels right of the group box: drawn, and none in the key green.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
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

    DestroyWindow(dialog);
    logic.reset();
    EXPECT_EQ(GetObjectType(brush), 0u);
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
