#include "platform/win32/dialog_procedure.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/win32/recording_dialog_handler.h"
#include "ui/control_ids.h"

namespace talo::win32 {
namespace {

// The real dialog from template 110, driven by the real procedure.
class DialogProcedureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogTemplateId),
                               nullptr, mainDialogProcedure, reinterpret_cast<LPARAM>(&handler));
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOWNA);
        dc = GetDC(dialog);
    }
    void TearDown() override {
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }

    // The procedure's own return value; SendMessageW would give the dialog manager's.
    INT_PTR send(UINT message, WPARAM wParam, LPARAM lParam) {
        return mainDialogProcedure(dialog, message, wParam, lParam);
    }
    INT_PTR colourStatic(int controlId) {
        return send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                    reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
    }

    testing::RecordingDialogHandler handler;
    HWND dialog = nullptr;
    HDC dc = nullptr;
};

TEST_F(DialogProcedureTest, InitialisationReachesTheHandlerWithTheWindow) {
    EXPECT_EQ(handler.initialised, dialog);
}

TEST_F(DialogProcedureTest, CommandPassesTheLowWordAndReturnsTheHandlersResult) {
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0), 1);
    handler.commandResult = 0;
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(4711, 0x0300), 0), 0);
    EXPECT_EQ(handler.commands, (std::vector<int>{1002, 4711}));
}

TEST_F(DialogProcedureTest, RedRowGetsRedTransparentTextAndTheHandlersBrush) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);

    EXPECT_EQ(colourStatic(kIdControllerVersion), reinterpret_cast<INT_PTR>(handler.brush));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
}

TEST_F(DialogProcedureTest, OtherStaticsKeepTheSystemColours) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);

    EXPECT_EQ(colourStatic(kIdUnitVersion), 0);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(handler.colouredControls.back(), kIdUnitVersion);
}

TEST_F(DialogProcedureTest, DeviceChangeReturnsOneOnlyWhenHandled) {
    EXPECT_EQ(send(WM_DEVICECHANGE, 0x8000, 0), 1);
    EXPECT_FALSE(handler.records.back().has_value());

    handler.deviceChangeResult = 0;
    EXPECT_EQ(send(WM_DEVICECHANGE, 0x0007, 0), 0);
    EXPECT_EQ(handler.eventCodes, (std::vector<std::uint32_t>{0x8000, 0x0007}));
}

TEST_F(DialogProcedureTest, DeviceChangeHandsOverTheRecordItRead) {
    struct {
        DEV_BROADCAST_DEVICEINTERFACE_W header;
        wchar_t rest[8];
    } record{};
    record.header.dbcc_size = sizeof(record);
    record.header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::wcscpy(record.header.dbcc_name, L"\\\\?\\HID#1");

    send(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&record));

    ASSERT_TRUE(handler.records.back().has_value());
    EXPECT_EQ(handler.records.back()->deviceType, 5u);
    EXPECT_EQ(handler.records.back()->name, u"\\\\?\\HID#1");
}

TEST_F(DialogProcedureTest, PaintingReachesTheHandlerAndOtherMessagesAreNotHandled) {
    InvalidateRect(dialog, nullptr, FALSE);
    UpdateWindow(dialog);
    EXPECT_EQ(handler.paints, 1);
    EXPECT_EQ(send(WM_USER + 5, 1, 0), 0);
}

TEST_F(DialogProcedureTest, TimerSystemCommandSessionEndAndReplayReachTheHandler) {
    SendMessageW(dialog, WM_TIMER, 9, 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_CLOSE | 2, 0), 0);
    EXPECT_NE(SendMessageW(dialog, WM_QUERYENDSESSION, 0, 0), 0);
    handler.allowEndSession = false;
    EXPECT_EQ(SendMessageW(dialog, WM_QUERYENDSESSION, 0, 0), 0);
    SendMessageW(dialog, kReplayDeviceChangeMessage, 0, 0);

    EXPECT_EQ(handler.timers, (std::vector<UINT_PTR>{9}));
    EXPECT_EQ(handler.systemCommands, (std::vector<unsigned>{SC_CLOSE}));
    EXPECT_EQ(handler.replays, 1);
}

}  // namespace
}  // namespace talo::win32
