#pragma once

#include <deque>
#include <optional>
#include <string>

#include "platform/win32/dialog_procedure.h"
#include "platform/win32/win32_window_ops.h"
#include "platform/win32/write_message_pump.h"

namespace talo::win32 {

// Stands between the dialog procedure and the main dialog's behaviour (`inner`) so that the
// write of the controller's flash runs to its end undisturbed while the window stays alive:
//  - During the write, commands, system commands and timer ticks do not reach `inner`. A close
//    request (command 2, SC_CLOSE, or one the pump saw) is carried out when the update command
//    has returned: after the success text, or after the failure box was closed.
//  - Device notifications that arrive during the write are copied and held; when the write
//    ends, they are posted back to the window one by one (kReplayDeviceChangeMessage) and
//    reach `inner` in their order from whichever loop runs next: the failure box's or the
//    dialog's. A notification arriving while earlier ones are still held queues behind them.
//  - The session may not end during the write (WM_QUERYENDSESSION is refused, with `reason`
//    given to the system).
//  - The retry timer reaches `inner` only when no other call into it is running, so its
//    evaluation never nests inside a message box.
class WriteGate final : public DialogHandler, public ProtectedWriteHooks {
  public:
    WriteGate(DialogHandler& inner, WriteMessagePump& pump, std::u16string reason)
        : inner_(inner), pump_(pump), reason_(std::move(reason)) {}

    std::intptr_t onInitDialog(HWND window) override;
    std::intptr_t onCommand(int controlId) override;
    HBRUSH onCtlColorStatic(int controlId) override { return inner_.onCtlColorStatic(controlId); }
    void onPaint(HDC dc) override { inner_.onPaint(dc); }
    std::intptr_t onDeviceChange(std::uint32_t eventCode,
                                 const DeviceNotification* record) override;
    void onTimer(UINT_PTR timerId) override;
    bool onSystemCommand(unsigned command) override;
    bool onQueryEndSession() override;
    void onReplayDeviceChange() override;

    void writeBegins() override;
    void writeEnds() override;

  private:
    struct HeldNotification {
        std::uint32_t eventCode = 0;
        std::optional<DeviceNotification> record;
    };
    // Runs a call into `inner`, counting it as running meanwhile.
    template <typename Call>
    auto forward(Call call) {
        ++running_;
        struct Done {
            int& running;
            ~Done() { --running; }
        } done{running_};
        return call();
    }
    void postReplay();

    DialogHandler& inner_;
    WriteMessagePump& pump_;
    std::u16string reason_;
    HWND window_ = nullptr;
    bool writing_ = false;
    bool closeHeld_ = false;
    bool replayPosted_ = false;
    int running_ = 0;
    std::deque<HeldNotification> held_;
};

}  // namespace talo::win32
