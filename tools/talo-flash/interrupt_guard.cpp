#include "interrupt_guard.h"

#include <atomic>
#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace talo::flash {
namespace {

// Lock-free atomics only: the handler runs as a signal handler (POSIX) or on a thread of the
// system's (Windows).
std::atomic<bool> gCritical{false};
std::atomic<bool> gHeldBack{false};

constexpr char kWarning[] =
    "\nCtrl-C held back: stopping now would leave the controller without firmware. "
    "talo-flash stops once the update has ended.\n";

void writeWarning() {
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kWarning, sizeof kWarning - 1, &written, nullptr);
#else
    // write(2) is async-signal-safe; a short write only shortens the warning.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kWarning, sizeof kWarning - 1);
#endif
}

#ifdef _WIN32
BOOL WINAPI consoleHandler(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (!gCritical.load()) {
        return FALSE;  // the default handler ends the process
    }
    return onInterrupt() ? TRUE : FALSE;
}
#else
void signalHandler(int) {
    onInterrupt();
}
#endif

}  // namespace

void installInterruptHandler() {
#ifdef _WIN32
    SetConsoleCtrlHandler(consoleHandler, TRUE);
#else
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = signalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // blocking reads of the answer and the prompt carry on
    sigaction(SIGINT, &action, nullptr);
#endif
}

void beginCriticalStretch() {
    gHeldBack.store(false);
    gCritical.store(true);
}

void endCriticalStretch() {
    gCritical.store(false);
}

bool interruptHeldBack() {
    return gHeldBack.load();
}

bool onInterrupt() {
    if (gCritical.load()) {
        if (!gHeldBack.exchange(true)) {
            writeWarning();
        }
        return true;
    }
#ifdef _WIN32
    ExitProcess(130);
#else
    // Die of the signal itself, so the parent sees an interrupted child. SIGINT is blocked
    // while its handler runs: unblock it, or raise() would only leave it pending.
    std::signal(SIGINT, SIG_DFL);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);
    std::raise(SIGINT);
    _exit(130);
#endif
}

}  // namespace talo::flash
