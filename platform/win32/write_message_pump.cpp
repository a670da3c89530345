#include "platform/win32/write_message_pump.h"

namespace talo::win32 {
namespace {

constexpr int kMessagesPerPump = 64;

bool isInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
           (message >= WM_NCMOUSEHOVER && message <= WM_MOUSELEAVE) || message == WM_INPUT;
}

class PlainObjectWait final : public ObjectWait {
  public:
    DWORD waitFor(HANDLE object, DWORD timeoutMs) override {
        return WaitForSingleObject(object, timeoutMs);
    }
};

}  // namespace

ObjectWait& plainObjectWait() {
    static PlainObjectWait wait;
    return wait;
}

HeldMessage classifyDuringWrite(const MSG& message, HWND quitButton) {
    switch (message.message) {
        case WM_QUIT:
            return HeldMessage::CloseRequest;
        case WM_KEYDOWN:
            return message.wParam == VK_ESCAPE ? HeldMessage::CloseRequest : HeldMessage::Drop;
        case WM_SYSKEYDOWN:
            return message.wParam == VK_F4 ? HeldMessage::CloseRequest : HeldMessage::Drop;
        case WM_NCLBUTTONDOWN:
            return message.wParam == HTCLOSE ? HeldMessage::CloseRequest : HeldMessage::Drop;
        case WM_LBUTTONDOWN:
            return message.hwnd != nullptr && message.hwnd == quitButton ? HeldMessage::CloseRequest
                                                                         : HeldMessage::Drop;
        case WM_SYSCOMMAND:
            return (message.wParam & 0xFFF0) == SC_CLOSE ? HeldMessage::CloseRequest
                                                         : HeldMessage::Drop;
        default:
            return isInput(message.message) ? HeldMessage::Drop : HeldMessage::Dispatch;
    }
}

void WriteMessagePump::begin(HWND quitButton) {
    quitButton_ = quitButton;
    closeRequested_ = false;
    active_ = true;
}

void WriteMessagePump::end() {
    active_ = false;
    quitButton_ = nullptr;
}

bool WriteMessagePump::takeCloseRequest() {
    const bool requested = closeRequested_;
    closeRequested_ = false;
    return requested;
}

DWORD WriteMessagePump::waitFor(HANDLE object, DWORD timeoutMs) {
    if (!active_) {
        return WaitForSingleObject(object, timeoutMs);
    }
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            remaining = elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
        }
        // The object comes first when both are ready: the write is never held up by messages.
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &object, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + 1) {
            pumpWaiting();
        } else if (woke != WAIT_TIMEOUT || remaining == 0) {
            return woke;
        }
        // A timeout with time left on the tick count: wait for the rest.
    }
}

void WriteMessagePump::pumpWaiting() {
    MSG message{};
    // PeekMessageW also delivers the messages other threads and programs send, among them the
    // system's liveness checks and device notifications.
    for (int count = 0;
         count < kMessagesPerPump && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++count) {
        switch (classifyDuringWrite(message, quitButton_)) {
            case HeldMessage::Dispatch:
                DispatchMessageW(&message);
                break;
            case HeldMessage::CloseRequest:
                closeRequested_ = true;
                break;
            case HeldMessage::Drop:
                break;
        }
    }
}

}  // namespace talo::win32
