#include <gtest/gtest.h>

#include "device/device_session.h"
#include "platform/win32/dialog_procedure.h"
#include "platform/win32/main_window_dialog.h"
#include "platform/win32/win32_hid_platform.h"
#include "platform/win32/win32_window_ops.h"
#include "tests/win32/counting_hid_calls.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"

namespace talo::win32 {
namespace {

// Passes every call on to the real window operations, counting the brushes they create.
class BrushCountingOps final : public WindowOps {
  public:
    explicit BrushCountingOps(Win32WindowOps& real) : real_(real) {}
    int brushesHeld = 0;
    int brushesCreated = 0;

    BrushHandle createButtonFaceBrush() override {
        ++brushesCreated;
        ++brushesHeld;
        return real_.createButtonFaceBrush();
    }
    void deleteBrush(BrushHandle brush) override {
        --brushesHeld;
        real_.deleteBrush(brush);
    }
    void setControlText(int id, const std::u16string& text) override {
        real_.setControlText(id, text);
    }
    int controlTextLength(int id) override { return real_.controlTextLength(id); }
    int getControlText(int id, char16_t* buffer, int capacity) override {
        return real_.getControlText(id, buffer, capacity);
    }
    void enableControl(int id, bool enabled) override { real_.enableControl(id, enabled); }
    void setTitle(const std::u16string& title) override { real_.setTitle(title); }
    void setClassIcon() override { real_.setClassIcon(); }
    int messageBox(const std::u16string& text, const std::u16string& caption,
                   MessageBoxKind kind) override {
        return real_.messageBox(text, caption, kind);
    }
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override {
        return real_.loadString(id, buffer, capacity);
    }
    bool registerDeviceNotification() override { return real_.registerDeviceNotification(); }
    void unregisterDeviceNotification() override { real_.unregisterDeviceNotification(); }
    void endDialog(std::intptr_t result) override { real_.endDialog(result); }
    ScreenRect windowRect(int id) override { return real_.windowRect(id); }
    bool createProgressWindow(const std::u16string& title, int x, int y, int width,
                              int height) override {
        return real_.createProgressWindow(title, x, y, width, height);
    }
    void setProgressPosition(unsigned percent) override { real_.setProgressPosition(percent); }
    void destroyProgressWindow() override { real_.destroyProgressWindow(); }
    void raiseToTop(TopWindow window) override { real_.raiseToTop(window); }
    TopWindow foregroundWindow() override { return real_.foregroundWindow(); }
    void showWindow(TopWindow window) override { real_.showWindow(window); }
    void enterProtectedWrite() override { real_.enterProtectedWrite(); }
    void leaveProtectedWrite() override { real_.leaveProtectedWrite(); }

  private:
    Win32WindowOps& real_;
};

class NoWaitClock final : public Clock {
  public:
    void sleepMs(std::uint32_t) override {}
    std::uint64_t nowMicros() const override { return 0; }
};

// The whole main window (logic, window operations, painting) with no device present.
class GdiUsageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetSession(session);
        dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(kDialogTemplateId), nullptr,
                                    mainDialogProcedure, reinterpret_cast<LPARAM>(&handler));
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOWNA);
    }
    void TearDown() override { DestroyWindow(dialog); }

    HINSTANCE instance = GetModuleHandleW(nullptr);
    testing::CountingHidCalls calls;
    Win32HidPlatform hid{calls};
    NoWaitClock clock;
    DeviceSession session;
    Win32WindowOps ops{instance};
    BrushCountingOps counting{ops};
    MainWindow logic{counting, DeviceLink{hid, clock}, session, FirmwareImage{}};
    MainWindowDialog handler{ops, logic};
    HWND dialog = nullptr;
};

// GetGuiResources counts nothing under Wine, so the brushes are counted at the window
// operations and the painting is checked by what it still draws after many repaints.
TEST_F(GdiUsageTest, RepaintingTheRedRowAndTheLogoKeepsOneBrushAndKeepsDrawing) {
    ops.attach(dialog);
    HDC dc = GetDC(dialog);
    HWND redValue = GetDlgItem(dialog, kIdControllerVersion);
    for (int i = 0; i < 1000; ++i) {
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(redValue));
        InvalidateRect(dialog, nullptr, TRUE);
        UpdateWindow(dialog);
    }
    ReleaseDC(dialog, dc);

    EXPECT_EQ(counting.brushesCreated, 1);
    EXPECT_EQ(counting.brushesHeld, 1);
    // Some logo pixel right of the group box is drawn in a colour that is neither the key
    // green nor the dialog background.
    RECT group{};
    GetWindowRect(GetDlgItem(dialog, kIdVersionGroup), &group);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&group), 2);
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    HDC window = GetDC(dialog);
    int logoPixels = 0;
    int keyPixels = 0;
    for (int x = group.right + 20; x < group.right + 200; x += 3) {
        for (int y = group.top - 10; y < group.top + 70; y += 3) {
            const COLORREF colour = GetPixel(window, x, y);
            logoPixels += colour != background && colour != CLR_INVALID ? 1 : 0;
            keyPixels += colour == RGB(0, 255, 0) ? 1 : 0;
        }
    }
    ReleaseDC(dialog, window);
    EXPECT_GT(logoPixels, 100);
    EXPECT_EQ(keyPixels, 0);
}

}  // namespace
}  // namespace talo::win32
