#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string_view>
#include <tuple>
#include <utility>

#include "platform/win32/execution_state_awake.h"
#include "platform/win32/notification_record.h"
#include "platform/win32/win32_hid_platform.h"
#include "platform/win32/write_gate.h"
#include "resources/main_dialog_layout.h"
#include "ui/control_ids.h"

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
    // size, type, path; what is read (" TYPE PATH"), "" when the record is refused
    const std::tuple<std::uint32_t, std::uint32_t, std::u16string_view, std::string> cases[] = {
        {28 + 2 * 12, 5, u"\\\\?\\hid#a\0zz"sv, " 5 \\\\?\\hid#a"},
        {28 + 2 * 4, 5, u"ABCD"sv, " 5 ABCD"},    // no terminator: ends with the record
        {28 + 2 * 2 + 1, 5, u"ABCD"sv, " 5 AB"},  // only whole characters
        {20, 5, u"AB"sv, " 5 "},                  // no room for a path
        {12, 2, u"AB"sv, " 2 "},                  // other types give only their type
        {11, 2, u"AB"sv, ""},
        {kMaxNotificationRecordBytes, 5, u"A\0"sv, " 5 A"},
        {kMaxNotificationRecordBytes + 1, 5, u"A\0"sv, ""},
    };
    DeviceNotification record;
    for (const auto& [size, type, path, expected] : cases) {
        record = {7, u"old"};
        const bool read =
            readDeviceNotification(notificationRecord(size, type, path).data(), record);
        EXPECT_EQ(read, !expected.empty()) << size;
        EXPECT_EQ(describe(&record), read ? expected : " 0 ");
    }
}

// Writes what reaches a dialog handler into `log`; of the statics only the controller's version
// gets a brush.
class RecordingHandler final : public DialogHandler {
  public:
    std::intptr_t onInitDialog(HWND) override { return 1; }
    std::intptr_t onCommand(int controlId) override {
        add("command " + std::to_string(controlId));
        if (controlId == kIdUpdate && duringUpdate) {
            duringUpdate();
        }
        return 1;
    }
    HBRUSH onCtlColorStatic(int controlId) override {
        add("colour " + std::to_string(controlId));
        return controlId == kIdControllerVersion ? GetSysColorBrush(COLOR_WINDOW) : nullptr;
    }
    void onPaint(HDC) override { add("paint"); }
    std::intptr_t onDeviceChange(std::uint32_t code, const DeviceNotification* record) override {
        add("device " + std::to_string(code) + describe(record));
        std::exchange(duringDeviceChange, [] {})();
        return 1;
    }
    void onTimer(UINT_PTR timerId) override { add("timer " + std::to_string(timerId)); }
    bool onSystemCommand(unsigned command) override {
        return add("system " + std::to_string(command));
    }
    bool onQueryEndSession() override { return add("end session"); }

    Log log;
    std::function<void()> duringUpdate;                // inside each command of "Update"
    std::function<void()> duringDeviceChange = [] {};  // once, inside the next notification

  private:
    bool add(std::string entry) {
        log.push_back(std::move(entry));
        return true;
    }
};

// Handles the thread's waiting messages, as the dialog's loop would.
void runQueue() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// The main dialog from template 110 behind the real dialog procedure; without a handler it
// keeps the template's starting state.
HWND createMainDialog(DialogHandler* handler) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogTemplateId),
                              nullptr, mainDialogProcedure, reinterpret_cast<LPARAM>(handler));
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
            send(WM_TIMER, 1);  // a timer tick never nests in another call into the handler
            gate.writeBegins();
            duringWrite();
            gate.writeEnds();
        };
        send(WM_COMMAND, kIdUpdate);
    }

    RecordingHandler inner;
    WriteMessagePump pump;
    WriteGate gate{inner, pump, u"writing"};
    HWND dialog = createMainDialog(&gate);
};

// Outside the write the handler's answers stand: only a static given a brush gets red text on
// it, and the session may end.
TEST_F(DialogTest, ProcedurePaintsColoursTheRedRowAndLetsTheSessionEnd) {
    ShowWindow(dialog, SW_SHOWNA);
    UpdateWindow(dialog);
    EXPECT_EQ(inner.log.at(0), "paint");
    inner.log.clear();
    HDC dc = GetDC(dialog);
    for (const int id : {kIdUnitVersion, kIdControllerVersion}) {
        const bool red = id == kIdControllerVersion;
        const LRESULT brush = send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        EXPECT_EQ(brush == reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)), red);
        EXPECT_EQ(GetTextColor(dc) == RGB(255, 0, 0) && GetBkMode(dc) == TRANSPARENT, red);
    }
    ReleaseDC(dialog, dc);
    EXPECT_NE(send(WM_QUERYENDSESSION, 0), 0);
    EXPECT_EQ(inner.log, (Log{"colour 40013", "colour 40015", "end session"}));
}

TEST_F(DialogTest, DuringTheWriteOnlyACloseRequestIsKeptAndItIsCarriedOutAfterTheUpdate) {
    // none (nothing is carried out afterwards), "Beenden" by its accelerator, the system menu
    const std::pair<UINT, WPARAM> closeRequests[] = {
        {0, 0}, {WM_COMMAND, MAKEWPARAM(kIdQuit, 1)}, {WM_SYSCOMMAND, SC_CLOSE | 2}};
    for (const auto& [message, wParam] : closeRequests) {
        inner.log.clear();
        update([&] {
            send(WM_COMMAND, kIdUpdate);
            send(WM_SYSCOMMAND, SC_MOVE);  // would wait in the system's move loop if carried out
            EXPECT_EQ(send(WM_QUERYENDSESSION, 0), 0);
            if (message != 0) {
                send(message, wParam);
            }
            EXPECT_EQ(inner.log, Log{"command 1002"});
        });
        EXPECT_EQ(inner.log,
                  (message != 0 ? Log{"command 1002", "command 2"} : Log{"command 1002"}));
    }
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
        {quit, WM_LBUTTONDOWN, MK_LBUTTON, CloseRequest},
        {nullptr, WM_SYSCOMMAND, SC_CLOSE | 1, CloseRequest},
        {nullptr, WM_QUIT, 0, CloseRequest},
        {nullptr, WM_NCLBUTTONDOWN, HTCAPTION, Drop},
        {nullptr, WM_LBUTTONDOWN, MK_LBUTTON, Drop},
        {nullptr, WM_INPUT, 0, Drop},
        {nullptr, WM_COMMAND, 2, Dispatch},
    };
    for (const auto& [window, id, wParam, expected] : cases) {
        const MSG message{window, id, wParam, 0, 0, {}};
        EXPECT_EQ(classifyDuringWrite(message, quit), expected) << std::hex << id << " " << wParam;
    }
}

// Between begin() and end() the pump's waits, those of the real HID calls among them, dispatch
// posted messages (and answer sent ones: the window check pings the window through a whole
// write) but drop input, and messages do not cut a time limit short. Outside the write a wait is
// plain and retrieves nothing. A named pipe stands in for the device.
TEST_F(DialogTest, PumpDispatchesAllButInputDuringTheWriteAndWaitsPlainlyOtherwise) {
    const auto calls = makeSystemHidCalls(pump);
    Win32HidPlatform hid(*calls);
    HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\talo-transfer-wait", PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE, 1, 64, 64, 0, nullptr);
    const HidHandle device = hid.open(u"\\\\.\\pipe\\talo-transfer-wait");
    std::uint8_t report[8] = {};
    PostMessageW(dialog, WM_SYSCOMMAND, SC_MOVE, 0);
    PostMessageW(dialog, WM_TIMER, 3, 0);
    pump.begin(nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(hid.readReport(device, report, sizeof report, 200));  // nothing comes
    EXPECT_GE(GetTickCount64() - start, 200u);
    EXPECT_EQ(hid.lastError(), static_cast<std::uint32_t>(WAIT_TIMEOUT));
    pump.end();
    PostMessageW(dialog, WM_TIMER, 5, 0);
    EXPECT_FALSE(hid.readReport(device, report, sizeof report, 20));
    EXPECT_EQ(inner.log, Log{"timer 3"});
    hid.close(device);
    CloseHandle(pipe);
}

// Template 110 as compiled into this program, created: every control stands where the generated
// layout puts it, with its text and its starting state.
TEST(MainDialogTemplate, ControlsStandWhereTheGeneratedLayoutPutsThem) {
    HWND dialog = createMainDialog(nullptr);
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

}  // namespace
}  // namespace talo::win32
