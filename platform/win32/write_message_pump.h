#pragma once

#include "platform/win32/object_wait.h"

namespace talo::win32 {

// What the pump does with a message it retrieves while the controller's flash is written.
enum class HeldMessage { Dispatch, Drop, CloseRequest };

// Input is never dispatched during the write: a click or key could start a modal loop of the
// system (moving the window, the system menu, menu mode) that stalls the write, or reach the
// dialog logic. The user's ways of closing the window become a close request instead: Escape,
// Alt+F4, the close box, a click on "Beenden" (`quitButton`), a posted SC_CLOSE and WM_QUIT.
// Everything else (painting, timers, posted commands) is dispatched.
HeldMessage classifyDuringWrite(const MSG& message, HWND quitButton);

// Keeps the window's thread alive for the system while the write blocks it: between begin() and
// end(), every wait of a pause or a transfer also retrieves the thread's messages, so sent
// messages (liveness checks, device notifications) are answered and windows repaint. Outside
// that span waits are plain and retrieve nothing. Single-threaded, not re-entrant.
class WriteMessagePump final : public ObjectWait {
  public:
    void begin(HWND quitButton);
    void end();
    bool active() const { return active_; }

    // True once if a close request was retrieved since the last call.
    bool takeCloseRequest();

    DWORD waitFor(HANDLE object, DWORD timeoutMs) override;

  private:
    // Retrieves and handles the messages waiting now (a bounded number, so a window that keeps
    // invalidating itself cannot hold the write up).
    void pumpWaiting();

    HWND quitButton_ = nullptr;
    bool active_ = false;
    bool closeRequested_ = false;
};

}  // namespace talo::win32
