#include "interrupt_guard.h"

#include <atomic>
#include <cerrno>
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
std::atomic<int> gWrites{0};
std::atomic<int> gHeldEnd{0};  // first ending signal held back
std::atomic<bool> gHeldStop{false};
std::atomic<bool> gWarned{false};

constexpr char kWarning[] =
    "\nSignal held back: stopping now would leave the controller without firmware. "
    "talo-flash acts on it once the update has ended.\n";

void writeWarning() {
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kWarning, sizeof kWarning - 1, &written, nullptr);
#else
    // write(2) is async-signal-safe; a short or failed write (closed stderr) only loses it.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kWarning, sizeof kWarning - 1);
#endif
}

#ifdef _WIN32
constexpr int kStopSignal = -1;  // Windows has no Ctrl-Z signal

BOOL WINAPI consoleHandler(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    if (gWrites.load() == 0) {
        return FALSE;  // the default handler ends the process
    }
    return onSignal(SIGINT) ? TRUE : FALSE;
}
#else
constexpr int kStopSignal = SIGTSTP;
constexpr int kHeldSignals[] = {SIGINT, SIGHUP, SIGTERM, SIGQUIT, SIGTSTP};

void signalHandler(int signal) {
    const int savedErrno = errno;  // the interrupted code may be about to read errno
    onSignal(signal);
    errno = savedErrno;
}

void installHandler(int signal) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = signalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // blocking reads of the answer and the prompt carry on
    sigaction(signal, &action, nullptr);
}

// Acts as the signal's default: the process ends (or stops) by the signal itself, so the
// parent sees what happened. The signal is blocked while its handler runs: unblock it, or
// raise() would only leave it pending.
void actByDefault(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
    if (signal != SIGTSTP) {
        _exit(128 + signal);
    }
    installHandler(signal);  // continued after a stop
}
#endif

}  // namespace

void installInterruptHandler() {
#ifdef _WIN32
    SetConsoleCtrlHandler(consoleHandler, TRUE);
#else
    for (const int signal : kHeldSignals) {
        installHandler(signal);
    }
    std::signal(SIGPIPE, SIG_IGN);  // a closed pipe fails the write call instead
#endif
}

void beginCriticalStretch() {
    gWrites.fetch_add(1);
}

void endCriticalStretch() {
    gWrites.fetch_sub(1);
}

void clearHeldBack() {
    gHeldEnd.store(0);
    gHeldStop.store(false);
    gWarned.store(false);
}

bool interruptHeldBack() {
    return gHeldEnd.load() != 0;
}

int heldBackExitCode() {
    const int signal = gHeldEnd.load();
    return signal == 0 ? 0 : 128 + signal;
}

void honourHeldStop() {
    if (!gHeldStop.exchange(false)) {
        return;
    }
#ifndef _WIN32
    actByDefault(SIGTSTP);
#endif
}

bool onSignal(int signal) {
    if (gWrites.load() > 0) {
        if (signal == kStopSignal) {
            gHeldStop.store(true);
        } else {
            int none = 0;
            gHeldEnd.compare_exchange_strong(none, signal);
        }
        if (!gWarned.exchange(true)) {
            writeWarning();
        }
        return true;
    }
#ifdef _WIN32
    ExitProcess(static_cast<UINT>(128 + signal));
#else
    actByDefault(signal);
#endif
    return false;
}

}  // namespace talo::flash
