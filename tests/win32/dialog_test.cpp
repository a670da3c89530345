#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string_view>
#include <tuple>
#include <utility>

#include "platform/win32/notification_record.h"
#include "platform/win32/write_gate.h"
#include "tests/win32/win32_fakes.h"

namespace talo::win32 {
namespace {

using namespace std::literals;
using Log = std::vector<std::string>;

// " TYPE PATH" of a notification record, "" for none.
std::string describe(const DeviceNotification* record) {
    std::string text;
    if (record != nullptr) {
        text.append(" ").append(std::to_string(record->deviceType)).append(" ");
        text.append(record->name.begin(), record->name.end());
    }
    return text;
}

// A notification record that claims `size` bytes, followed by bytes ('z') that must never
// appear in what is read.
std::vector<std::uint8_t> notificationRecord(std::uint32_t size, std::uint32_t type,
                                             std::u16string_view path) {
    std::vector<std::uint8_t> bytes(kMaxNotificationRecordBytes + 64, 'z');
    std::memcpy(bytes.data(), &size, 4);
    std::memcpy(bytes.data() + 4, &type, 4);
    std::memcpy(bytes.data() + 28, path.data(), path.size() * 2);  // where the path begins
    return bytes;
}

TEST(NotificationRecord, ReadsTheTypeAndAnInterfacePathOnlyWithinTheRecord) {
    constexpr std::uint32_t kMax = kMaxNotificationRecordBytes;
    // size, type, path; what is read (" TYPE PATH"), "" when the record is refused
    const std::tuple<std::uint32_t, std::uint32_t, std::u16string_view, std::string> cases[] = {
        {28 + 2 * 12, 5, u"\\\\?\\hid#a\0zz"sv, " 5 \\\\?\\hid#a"},
        {28 + 2 * 4, 5, u"ABCD"sv, " 5 ABCD"},    // no terminator: ends with the record
        {28 + 2 * 2 + 1, 5, u"ABCD"sv, " 5 AB"},  // only whole characters
        {20, 5, u"AB"sv, " 5 "},                  // no room for a path
        {12, 2, u"AB"sv, " 2 "},                  // other types give only their type
        {11, 2, u"AB"sv, ""},
        {kMax, 5, u"A\0"sv, " 5 A"},
        {kMax + 1, 5, u"A\0"sv, ""},
        {0xFFFFFFFF, 5, u"A\0"sv, ""},
    };
    DeviceNotification record;
    for (const auto& [size, type, path, expected] : cases) {
        record = {7, u"old"};
        const bool read =
            readDeviceNotification(notificationRecord(size, type, path).data(), record);
        EXPECT_EQ(read, !expected.empty()) << size;
        EXPECT_EQ(describe(&record), read ? expected : " 0 ");
    }
    EXPECT_FALSE(readDeviceNotification(nullptr, record));
}

// Writes what reaches a dialog handler into `log` and answers with `answer`; of the statics
// only the controller's version gets a brush.
class RecordingHandler final : public DialogHandler {
  public:
    std::intptr_t onInitDialog(HWND) override { return answer; }
    std::intptr_t onCommand(int controlId) override {
        add("command " + std::to_string(controlId));
        if (controlId == kIdUpdate && duringUpdate) {
            duringUpdate();
        }
        return answer;
    }
    HBRUSH onCtlColorStatic(int controlId) override {
        add("colour " + std::to_string(controlId));
        return controlId == kIdControllerVersion ? GetSysColorBrush(COLOR_WINDOW) : nullptr;
    }
    void onPaint(HDC) override { add("paint"); }
    std::intptr_t onDeviceChange(std::uint32_t code, const DeviceNotification* record) override {
        add("device " + std::to_string(code) + describe(record));
        std::exchange(duringDeviceChange, [] {})();
        return answer;
    }
    void onTimer(UINT_PTR timerId) override { add("timer " + std::to_string(timerId)); }
    bool onSystemCommand(unsigned command) override {
        return add("system " + std::to_string(command)) != 0;
    }
    bool onQueryEndSession() override { return add("end session") != 0; }

    Log log;
    std::intptr_t answer = 1;
    std::function<void()> duringUpdate;                // inside each command of "Update"
    std::function<void()> duringDeviceChange = [] {};  // once, inside the next notification

  private:
    std::intptr_t add(std::string entry) {
        log.push_back(std::move(entry));
        return answer;
    }
};

// Handles the thread's waiting messages, as the dialog's loop would.
void runQueue() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// The real dialog and procedure, with the write gate in front of a recording handler.
class DialogTest : public ::testing::Test {
  protected:
    void TearDown() override { DestroyWindow(dialog); }

    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return SendMessageW(dialog, message, wParam, lParam);
    }
    // Runs "Update" with `duringWrite` inside the write span.
    void update(const std::function<void()>& duringWrite) {
        inner.duringUpdate = [&] {
            gate.writeBegins();
            duringWrite();
            gate.writeEnds();
        };
        send(WM_COMMAND, kIdUpdate);
    }

    RecordingHandler inner;
    WriteMessagePump pump;
    WriteGate gate{inner, pump, u"writing"};
    HWND dialog = testing::createMainDialog(&gate);
};

TEST_F(DialogTest, ProcedureTranslatesEachMessageIntoItsHandlersCallAndAnswer) {
    HDC dc = GetDC(dialog);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    const auto dcParameter = reinterpret_cast<WPARAM>(dc);
    const auto control = [&](int id) { return reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)); };
    const auto brush = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    // message, wParam, lParam, the handler's answer, the procedure's own result (SendMessageW
    // would give the dialog manager's), what reached the handler
    const std::tuple<UINT, WPARAM, LPARAM, std::intptr_t, INT_PTR, std::string> cases[] = {
        {WM_USER + 5, 1, 0, 1, 0, ""},  // not handled
        {WM_COMMAND, MAKEWPARAM(4711, 0x0300), 0, 5, 5, "command 4711"},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0, 7, 1, "device 32768"},
        {WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, 0, 0, "device 7"},
        {WM_PAINT, 0, 0, 1, 0, "paint"},
        {WM_TIMER, 9, 0, 0, 1, "timer 9"},
        {WM_SYSCOMMAND, SC_CLOSE | 1, 0, 0, 0, "system 61536"},
        {WM_SYSCOMMAND, SC_MOVE | 2, 0, 1, 1, "system 61456"},
        {WM_QUERYENDSESSION, 0, 0, 1, 0, "end session"},
        {WM_CTLCOLORSTATIC, dcParameter, control(kIdUnitVersion), 0, 0, "colour 40013"},
        // Only a static given a brush gets red text on it; the last row, it colours the context.
        {WM_CTLCOLORSTATIC, dcParameter, control(kIdControllerVersion), 0, brush, "colour 40015"},
    };
    for (const auto& [message, wParam, lParam, answer, result, logged] : cases) {
        EXPECT_EQ(std::pair(GetTextColor(dc), GetBkMode(dc)), std::pair(RGB(0, 0, 0), OPAQUE));
        inner.answer = answer;
        inner.log.clear();
        EXPECT_EQ(mainDialogProcedure(dialog, message, wParam, lParam), result) << logged;
        EXPECT_EQ(inner.log, logged.empty() ? Log{} : Log{logged});
    }
    EXPECT_EQ(std::pair(GetTextColor(dc), GetBkMode(dc)), std::pair(RGB(255, 0, 0), TRANSPARENT));
    ReleaseDC(dialog, dc);
}

TEST_F(DialogTest, DuringTheWriteOnlyACloseRequestIsKeptAndItIsCarriedOutAfterTheUpdate) {
    const std::function<void()> closeRequests[] = {
        nullptr,  // none: nothing is carried out afterwards
        [&] { send(WM_COMMAND, kIdQuit); },
        [&] { send(WM_SYSCOMMAND, SC_CLOSE); },
        [&] {
            PostMessageW(GetDlgItem(dialog, kIdUpdate), WM_KEYDOWN, VK_ESCAPE, 0);
            pump.waitFor(GetCurrentProcess(), 10);  // never signalled: a plain pause
        },
    };
    for (const auto& closeRequest : closeRequests) {
        inner.log.clear();
        update([&] {
            send(WM_COMMAND, kIdUpdate);
            send(WM_TIMER, 1);
            send(WM_SYSCOMMAND, SC_MOVE);  // would wait in the system's move loop if carried out
            EXPECT_EQ(send(WM_QUERYENDSESSION, 0), 0);
            if (closeRequest) {
                closeRequest();
            }
            EXPECT_EQ(inner.log, Log{"command 1002"});
        });
        EXPECT_EQ(inner.log,
                  (closeRequest ? Log{"command 1002", "command 2"} : Log{"command 1002"}));
    }
    // Afterwards they pass (the procedure's test shows); a timer tick never nests in another
    // call into the handler.
    inner.log.clear();
    inner.duringUpdate = [&] { send(WM_TIMER, 1); };
    send(WM_COMMAND, kIdUpdate);
    EXPECT_EQ(inner.log, Log{"command 1002"});
}

// Held notifications come back through the queue one by one, so the next is due from the loop
// of a message box that the one before opens, as it would have been without the write.
TEST_F(DialogTest, DeviceNotificationsOfTheWriteReachTheHandlerAfterwardsInTheirOrder) {
    auto removal = notificationRecord(28 + 2 * 10, DBT_DEVTYP_DEVICEINTERFACE, u"\\\\?\\HID#1\0"sv);
    update([&] {
        send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL);
        send(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(removal.data()));
        removal.assign(removal.size(), 0);  // the record is the sender's
    });
    send(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED);  // arrives before the held ones are handled
    EXPECT_EQ(inner.log, Log{"command 1002"});

    std::size_t seenInsideFirst = 0;
    inner.duringDeviceChange = [&] {
        runQueue();
        seenInsideFirst = inner.log.size();
    };
    runQueue();
    send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL);
    EXPECT_EQ(inner.log, (Log{"command 1002", "device 32768", "device 32772 5 \\\\?\\HID#1",
                              "device 7", "device 32768"}));
    EXPECT_EQ(seenInsideFirst, 4u);
}

TEST(ClassifyDuringWrite, InputIsDroppedAndTheWaysOfClosingBecomeARequest) {
    using enum HeldMessage;
    const HWND quit = reinterpret_cast<HWND>(0x20);
    // window, message, wParam, what becomes of it
    const std::tuple<HWND, UINT, WPARAM, HeldMessage> cases[] = {
        {nullptr, WM_KEYDOWN, VK_ESCAPE, CloseRequest},
        {nullptr, WM_SYSKEYDOWN, VK_F4, CloseRequest},
        {nullptr, WM_NCLBUTTONDOWN, HTCLOSE, CloseRequest},
        {quit, WM_LBUTTONDOWN, MK_LBUTTON, CloseRequest},
        {nullptr, WM_SYSCOMMAND, SC_CLOSE | 1, CloseRequest},
        {nullptr, WM_QUIT, 0, CloseRequest},
        {nullptr, WM_KEYDOWN, VK_RETURN, Drop},
        {nullptr, WM_SYSKEYDOWN, VK_MENU, Drop},
        {nullptr, WM_NCLBUTTONDOWN, HTCAPTION, Drop},
        {nullptr, WM_LBUTTONDOWN, MK_LBUTTON, Drop},
        {nullptr, WM_SYSCOMMAND, SC_MOVE, Drop},
        {nullptr, WM_MOUSEMOVE, 0, Drop},
        {nullptr, WM_INPUT, 0, Drop},
        {nullptr, WM_PAINT, 0, Dispatch},
        {nullptr, WM_COMMAND, 2, Dispatch},
        {nullptr, WM_APP, 0, Dispatch},
    };
    for (const auto& [window, id, wParam, expected] : cases) {
        const MSG message{window, id, wParam, 0, 0, {}};
        EXPECT_EQ(classifyDuringWrite(message, quit), expected) << std::hex << id << " " << wParam;
    }
}

// Between begin() and end() the pump's waits dispatch posted messages (and answer sent ones:
// the window check pings the window through a whole write) but drop input, and messages do not
// cut a time limit short. Outside the write a wait is plain and retrieves nothing.
TEST_F(DialogTest, PumpDispatchesAllButInputDuringTheWriteAndWaitsPlainlyOtherwise) {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_MOVE, 0);
    PostMessageW(dialog, WM_TIMER, 3, 0);
    pump.begin(nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(pump.waitFor(GetCurrentProcess(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(GetTickCount64() - start, 200u);
    pump.end();
    PostMessageW(dialog, WM_TIMER, 5, 0);
    EXPECT_EQ(pump.waitFor(GetCurrentProcess(), 20), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(inner.log, Log{"timer 3"});
}

}  // namespace
}  // namespace talo::win32
