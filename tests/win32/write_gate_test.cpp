#include "platform/win32/write_gate.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/win32/recording_dialog_handler.h"
#include "ui/control_ids.h"

namespace talo::win32 {
namespace {

// The real dialog from template 110 with the gate in front of a recording handler. The
// handler's "Update" command runs the scripted write span.
class WriteGateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogTemplateId),
                                    nullptr, mainDialogProcedure, reinterpret_cast<LPARAM>(&gate));
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override { DestroyWindow(dialog); }

    // Runs "Update" with `duringWrite` inside the write span.
    void update(const std::function<void()>& duringWrite) {
        inner.duringUpdate = [&] {
            gate.writeBegins();
            duringWrite();
            gate.writeEnds();
        };
        SendMessageW(dialog, WM_COMMAND, kIdUpdate, 0);
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return SendMessageW(dialog, message, wParam, lParam);
    }
    // Lets the thread's queue run as the dialog's loop would.
    static void runQueue() {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }

    testing::RecordingDialogHandler inner;
    WriteMessagePump pump;
    WriteGate gate{inner, pump, u"writing"};
    HWND dialog = nullptr;
};

TEST_F(WriteGateTest, CloseRequestedDuringTheWriteIsCarriedOutWhenTheUpdateHasReturned) {
    const std::function<void()> requests[] = {
        [this] { send(WM_COMMAND, kIdQuit); },
        [this] { send(WM_SYSCOMMAND, SC_CLOSE); },
        [this] {
            PostMessageW(GetDlgItem(dialog, kIdUpdate), WM_KEYDOWN, VK_ESCAPE, 0);
            pump.waitFor(GetCurrentProcess(), 10);  // never signalled: a plain pause
        },
    };
    for (const auto& request : requests) {
        inner.commands.clear();
        update([&] {
            request();
            EXPECT_EQ(inner.commands, (std::vector<int>{kIdUpdate}));
        });
        EXPECT_EQ(inner.commands, (std::vector<int>{kIdUpdate, kIdQuit}));
    }
}

TEST_F(WriteGateTest, OtherCommandsTimerAndSystemCommandsDoNotReachTheLogicDuringTheWrite) {
    constexpr unsigned kOwnCommand = 0x0100;  // below SC_SIZE: the system does nothing with it
    update([&] {
        send(WM_COMMAND, kIdUpdate);
        send(WM_TIMER, 1);
        send(WM_SYSCOMMAND, SC_MOVE);  // would wait in the system's move loop if carried out
        send(WM_SYSCOMMAND, kOwnCommand);
    });
    EXPECT_EQ(inner.commands, (std::vector<int>{kIdUpdate}));
    EXPECT_TRUE(inner.timers.empty());
    EXPECT_TRUE(inner.systemCommands.empty());

    send(WM_SYSCOMMAND, kOwnCommand);
    EXPECT_EQ(inner.systemCommands, (std::vector<unsigned>{kOwnCommand}));
}

TEST_F(WriteGateTest, TimerReachesTheLogicOnlyWhenNoOtherCallIntoItRuns) {
    inner.duringUpdate = [&] { send(WM_TIMER, 1); };
    send(WM_COMMAND, kIdUpdate);
    EXPECT_TRUE(inner.timers.empty());

    send(WM_TIMER, 1);
    EXPECT_EQ(inner.timers, (std::vector<UINT_PTR>{1}));
}

TEST_F(WriteGateTest, DeviceNotificationsOfTheWriteReachTheLogicAfterwardsInTheirOrder) {
    struct {
        DEV_BROADCAST_DEVICEINTERFACE_W header;
        wchar_t rest[8];
    } removal{};
    removal.header.dbcc_size = sizeof(removal);
    removal.header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::wcscpy(removal.header.dbcc_name, L"\\\\?\\HID#1");

    update([&] {
        send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL);
        send(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&removal));
        std::wcscpy(removal.header.dbcc_name, L"gone");  // the record is the sender's
    });
    send(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED);  // arrives before the held ones are handled
    EXPECT_TRUE(inner.eventCodes.empty());

    runQueue();
    EXPECT_EQ(inner.eventCodes,
              (std::vector<std::uint32_t>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE,
                                          DBT_DEVNODES_CHANGED}));
    ASSERT_TRUE(inner.records[1].has_value());
    EXPECT_EQ(inner.records[1]->name, u"\\\\?\\HID#1");

    send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL);
    EXPECT_EQ(inner.eventCodes.size(), 4u);
}

// A message box that the first notification opens runs the queue, as the dialog's loop would.
TEST_F(WriteGateTest, NextHeldNotificationIsDueWhileTheOneBeforeItRunsAMessageLoop) {
    update([&] {
        send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL);
        send(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE);
    });
    std::size_t seenInsideFirst = 0;
    inner.duringDeviceChange = [&] {
        runQueue();
        seenInsideFirst = inner.eventCodes.size();
    };

    runQueue();
    EXPECT_EQ(seenInsideFirst, 2u);
}

TEST_F(WriteGateTest, SessionMayNotEndDuringTheWrite) {
    update([&] { EXPECT_EQ(send(WM_QUERYENDSESSION, 0), 0); });
    EXPECT_NE(send(WM_QUERYENDSESSION, 0), 0);
}

}  // namespace
}  // namespace talo::win32
