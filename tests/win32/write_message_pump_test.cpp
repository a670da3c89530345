#include "platform/win32/write_message_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace talo::win32 {
namespace {

TEST(ClassifyDuringWrite, InputIsHeldBackAndTheWaysOfClosingBecomeARequest) {
    const HWND quit = reinterpret_cast<HWND>(0x20);
    const HWND other = reinterpret_cast<HWND>(0x30);
    struct Case {
        UINT message;
        WPARAM wParam;
        HWND window;
        HeldMessage expected;
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_ESCAPE, other, HeldMessage::CloseRequest},
        {WM_KEYDOWN, VK_RETURN, other, HeldMessage::Drop},
        {WM_SYSKEYDOWN, VK_F4, other, HeldMessage::CloseRequest},
        {WM_SYSKEYDOWN, VK_MENU, other, HeldMessage::Drop},
        {WM_SYSKEYUP, VK_MENU, other, HeldMessage::Drop},
        {WM_CHAR, L'x', other, HeldMessage::Drop},
        {WM_KEYLAST, 0, other, HeldMessage::Drop},
        {WM_NCLBUTTONDOWN, HTCLOSE, other, HeldMessage::CloseRequest},
        {WM_NCLBUTTONDOWN, HTCAPTION, other, HeldMessage::Drop},
        {WM_NCRBUTTONUP, HTCAPTION, other, HeldMessage::Drop},
        {WM_NCMOUSELEAVE, 0, other, HeldMessage::Drop},
        {WM_LBUTTONDOWN, MK_LBUTTON, quit, HeldMessage::CloseRequest},
        {WM_LBUTTONDOWN, MK_LBUTTON, other, HeldMessage::Drop},
        {WM_MOUSEWHEEL, 0, other, HeldMessage::Drop},
        {WM_SYSCOMMAND, SC_CLOSE | 1, other, HeldMessage::CloseRequest},
        {WM_SYSCOMMAND, SC_MOVE, other, HeldMessage::Drop},
        {WM_QUIT, 0, nullptr, HeldMessage::CloseRequest},
        {WM_PAINT, 0, other, HeldMessage::Dispatch},
        {WM_TIMER, 1, other, HeldMessage::Dispatch},
        {WM_COMMAND, 2, other, HeldMessage::Dispatch},
        {WM_APP + 1, 0, other, HeldMessage::Dispatch},
    };
    for (const Case& c : cases) {
        MSG message{};
        message.hwnd = c.window;
        message.message = c.message;
        message.wParam = c.wParam;
        EXPECT_EQ(classifyDuringWrite(message, quit), c.expected)
            << std::hex << c.message << " " << c.wParam;
    }
}

constexpr UINT kSignal = WM_APP + 5;  // the test window sets the event when it receives this

// A window on the test's thread that records the messages it receives.
class WriteMessagePumpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &record;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PumpTestWindow";
        RegisterClassW(&windowClass);
        window = CreateWindowW(L"PumpTestWindow", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        received().clear();
        signalEvent() = event;
    }
    void TearDown() override {
        DestroyWindow(window);
        CloseHandle(event);
    }

    static std::vector<UINT>& received() {
        static std::vector<UINT> messages;
        return messages;
    }
    static HANDLE& signalEvent() {
        static HANDLE handle = nullptr;
        return handle;
    }
    static LRESULT CALLBACK record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message >= WM_KEYFIRST) {  // input and private messages
            received().push_back(message);
        }
        if (message == kSignal) {
            SetEvent(signalEvent());
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    WriteMessagePump pump;
    HWND window = nullptr;
    HANDLE event = nullptr;
};

TEST_F(WriteMessagePumpTest, WaitDuringTheWriteAnswersSentMessagesAndHoldsInputBack) {
    bool answered = false;
    std::thread other([&] {
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutW(window, WM_USER, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        PostMessageW(window, kSignal, 0, 0);
    });
    pump.begin(nullptr);

    EXPECT_EQ(pump.waitFor(event, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    other.join();
    pump.end();

    EXPECT_TRUE(answered);
    EXPECT_EQ(received(), (std::vector<UINT>{WM_USER, kSignal}));
    EXPECT_TRUE(pump.takeCloseRequest());
    EXPECT_FALSE(pump.takeCloseRequest());
}

TEST_F(WriteMessagePumpTest, WaitOutsideTheWriteRetrievesNothing) {
    PostMessageW(window, kSignal, 0, 0);

    EXPECT_EQ(pump.waitFor(event, 20), static_cast<DWORD>(WAIT_TIMEOUT));
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, window, kSignal, kSignal, PM_NOREMOVE));
}

TEST_F(WriteMessagePumpTest, MessagesDoNotCutTheTimeLimitShort) {
    std::atomic<bool> stop = false;
    std::thread other([&] {
        while (!stop) {
            PostMessageW(window, WM_USER, 0, 0);
            Sleep(5);
        }
    });
    pump.begin(nullptr);
    const ULONGLONG start = GetTickCount64();

    EXPECT_EQ(pump.waitFor(event, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(GetTickCount64() - start, 200u);
    stop = true;
    other.join();
    EXPECT_FALSE(received().empty());
}

}  // namespace
}  // namespace talo::win32
