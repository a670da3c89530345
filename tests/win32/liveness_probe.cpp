// Watches the Windows program's window from another process during a whole update: starts
// talo_live_update, clicks "Update" and, in the middle of the block loop, "Update" again and the
// close box, all as real mouse input, and meanwhile pings the main window every 100 ms with WM_NULL
// (SendMessageTimeout, 1 s limit) and samples IsHungAppWindow.
// Usage: talo_liveness_probe HARNESS.exe [BLOCKS]
// Exit code 0 when every ping was answered, the window never counted as hung, the close box was
// clicked while the progress window showed the write, and the program ended after the write
// with the image written (the harness's verdict).

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/win32/win32_headers.h"

namespace {

constexpr wchar_t kTitle[] = L"MERIDOVAN TALO Max 150 Firmware Updater 1.8";
constexpr int kUpdateButtonId = 1002;

struct Pings {
    std::atomic<int> sent = 0;
    std::atomic<int> failed = 0;
    std::atomic<unsigned long> longestMs = 0;
    std::atomic<int> samples = 0;
    std::atomic<int> hung = 0;
};

ULONGLONG now() {
    return GetTickCount64();
}

template <typename Condition>
bool waitUntil(Condition condition, ULONGLONG timeoutMs) {
    const ULONGLONG start = now();
    while (!condition()) {
        if (now() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

struct Search {
    DWORD process = 0;
    const wchar_t* className = nullptr;  // or by title
    HWND found = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t text[128] = {};
    if (search.className != nullptr) {
        GetClassNameW(window, text, 128);
    } else {
        GetWindowTextW(window, text, 128);
    }
    if (process == search.process && IsWindowVisible(window) &&
        std::wstring(text) == (search.className != nullptr ? search.className : kTitle)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND topWindow(DWORD process, const wchar_t* className) {
    Search search{process, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void click(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

POINT centreOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A point of the close box, found by asking the window itself.
bool closeBox(HWND window, POINT& point) {
    RECT rect{};
    GetWindowRect(window, &rect);
    for (int y = rect.top + 2; y < rect.top + 40; y += 2) {
        for (int x = rect.right - 2; x > rect.right - 80; x -= 2) {
            if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                point = POINT{x - 3, y + 3};
                return true;
            }
        }
    }
    return false;
}

// The progress bar's position, or -1 when the window does not answer within a second.
LRESULT progressPosition(HWND progress) {
    DWORD_PTR position = 0;
    if (SendMessageTimeoutW(progress, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position) == 0) {
        return -1;
    }
    return static_cast<LRESULT>(position);
}

void ping(HWND window, Pings& pings, const std::atomic<bool>& stop) {
    while (!stop && IsWindow(window)) {
        const ULONGLONG start = now();
        DWORD_PTR result = 0;
        const bool answered =
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
        const unsigned long took = static_cast<unsigned long>(now() - start);
        if (!IsWindow(window)) {
            break;  // the program ended meanwhile: no answer to expect
        }
        ++pings.sent;
        pings.failed += answered ? 0 : 1;
        if (took > pings.longestMs) {
            pings.longestMs = took;
        }
        ++pings.samples;
        pings.hung += IsHungAppWindow(window) ? 1 : 0;
        Sleep(100);
    }
}

int fail(const char* reason, HANDLE process) {
    std::fprintf(stderr, "talo_liveness_probe: %s\n", reason);
    TerminateProcess(process, 1);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: talo_liveness_probe HARNESS.exe [BLOCKS]\n");
        return 1;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    if (argc > 2) {
        commandLine += L" " + std::wstring(argv[2]);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child)) {
        std::fprintf(stderr, "talo_liveness_probe: cannot start the harness (%lu)\n",
                     GetLastError());
        return 1;
    }
    HWND main = nullptr;
    HWND update = nullptr;
    if (!waitUntil(
            [&] {
                main = topWindow(child.dwProcessId, nullptr);
                update = main != nullptr ? GetDlgItem(main, kUpdateButtonId) : nullptr;
                return update != nullptr && IsWindowEnabled(update);
            },
            30000)) {
        return fail("no main window offering the update", child.hProcess);
    }
    POINT closePoint{};
    if (!closeBox(main, closePoint)) {
        return fail("no close box on the main window", child.hProcess);
    }

    Pings pings;
    std::atomic<bool> stop = false;
    std::thread pinger(ping, main, std::ref(pings), std::cref(stop));
    const ULONGLONG clicked = now();
    click(centreOf(update));

    HWND progress = nullptr;
    const bool writing = waitUntil(
        [&] {
            progress = topWindow(child.dwProcessId, L"msctls_progress32");
            return progress != nullptr && progressPosition(progress) >= 30;
        },
        60000);
    LRESULT closedAt = -1;
    if (writing) {
        click(centreOf(update));  // must not start a second update (the harness counts erases)
        Sleep(200);
        click(closePoint);
        closedAt = progressPosition(progress);
    }
    const bool closedDuringWrite = writing && IsWindow(progress) && IsWindow(main);
    const ULONGLONG closeClicked = now();
    waitUntil([&] { return !IsWindow(progress); }, 120000);
    const ULONGLONG writeEnded = now();
    const bool ended = WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0;
    const ULONGLONG exited = now();
    stop = true;
    pinger.join();

    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    std::printf(
        "talo_liveness_probe: %d pings with a 1 s limit, %d unanswered, longest answer %lu ms; "
        "IsHungAppWindow true in %d of %d samples\n",
        pings.sent.load(), pings.failed.load(), pings.longestMs.load(), pings.hung.load(),
        pings.samples.load());
    std::printf(
        "talo_liveness_probe: close box clicked %.1f s after \"Update\" at %ld %%; progress "
        "window gone %.1f s later, program ended %.1f s after the click with exit code %lu\n",
        static_cast<double>(closeClicked - clicked) / 1000.0, static_cast<long>(closedAt),
        static_cast<double>(writeEnded - closeClicked) / 1000.0,
        static_cast<double>(exited - closeClicked) / 1000.0, exitCode);

    if (!ended) {
        return fail("the program did not end after the close request", child.hProcess);
    }
    const bool alive = pings.sent > 0 && pings.failed == 0 && pings.hung == 0;
    const bool closedAfterWrite = closedDuringWrite && exited >= writeEnded && exitCode == 0;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return alive && closedAfterWrite ? 0 : 1;
}
