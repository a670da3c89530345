// Checks the Windows program's windows from another process, as the system and the user see them.
//   talo_window_check smoke PROGRAM.exe SECONDS
//     The main window appears and its status pane shows the no-device guidance: message 40017,
//     a blank line and message 40001 from PROGRAM's own string table.
//   talo_window_check live [BLOCKS]
//     Starts this program as "harness", clicks "Update", then in mid-write "Update" again and
//     the close box, all as real mouse input, and meanwhile pings the main window every 100 ms
//     with WM_NULL (1 s limit) and samples IsHungAppWindow. Passes when every ping was answered,
//     the window never counted as hung, the close box was clicked while the write ran, and the
//     harness ended with its verdict.
//   talo_window_check harness [BLOCKS]
//     The program's real main dialog (procedure, window operations, write gate, waitable-timer
//     clock, message pump) over the simulated unit, which takes its time on the real clock.
//     Exit code 0 when a close request ended the dialog after the image (or its first BLOCKS
//     blocks) was written.
// Exit code 0 when the check passed, 1 otherwise with the reason printed.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "device/commands.h"
#include "platform/win32/firmware_resource.h"
#include "platform/win32/main_dialog_run.h"
#include "platform/win32/waitable_timer_clock.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"

namespace {

using namespace talo;
constexpr wchar_t kTitle[] = L"MERIDOVAN TALO Max 150 Firmware Updater 1.8";

template <typename Condition>
bool waitUntil(Condition condition, ULONGLONG timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition() && GetTickCount64() < end) {
        Sleep(20);
    }
    return condition();
}

int smoke(const wchar_t* programPath, ULONGLONG seconds) {
    HMODULE program = LoadLibraryExW(programPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    wchar_t text[4096] = {};
    const auto message = [&](UINT id) {
        LoadStringW(program, id, text, 4096);
        return std::wstring(text);
    };
    const std::wstring expected = message(40017) + L"\r\n\r\n" + message(40001);
    std::wstring status;
    waitUntil(
        [&] {
            // WM_GETTEXT itself: GetWindowText does not read another program's controls.
            text[0] = L'\0';
            SendMessageW(GetDlgItem(FindWindowW(nullptr, kTitle), kIdStatusPane), WM_GETTEXT, 4096,
                         reinterpret_cast<LPARAM>(text));
            return (status = text) == expected;
        },
        seconds * 1000);
    const bool shown = expected.size() > 100 && status == expected;
    std::fwprintf(shown ? stdout : stderr,
                  shown ? L"window \"%ls\" shows the no-device guidance\n"
                        : L"window \"%ls\" does not show the no-device guidance:\n%ls\n",
                  kTitle, status.c_str());
    return shown ? 0 : 1;
}

int harness(std::size_t blocks) {
    InitCommonControls();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    FirmwareImage image = win32::firmwareImageResource(instance);
    image.size = blocks > 0 ? std::min(image.size, blocks * 48) : image.size;
    win32::WriteMessagePump pump;
    win32::WaitableTimerClock clock(pump);
    sim::SimHidPlatform hid(clock);
    sim::SimulatedUnit ready = sim::makeUnit(sim::Situation::Ready);
    ready.exchangeLatencyMicros = 2000;
    const sim::DeviceId id = hid.addUnit(std::move(ready));

    const INT_PTR result = win32::runMainDialog(instance, DeviceLink{hid, clock}, pump, image);

    // What was written is the core's to check; here: all of it, despite the close request.
    const sim::SimulatedUnit& unit = hid.unit(id);
    const char* failure = result != kDialogResultQuit
                              ? "the dialog was not ended by a close request"
                          : unit.flash.bytesWritten != image.size ? "the image was not written"
                                                                  : nullptr;
    std::printf("talo_window_check harness: %zu bytes in %zu blocks: %s\n", image.size,
                unit.deliveredCount(kCmdWriteBlock), failure != nullptr ? failure : "all written");
    return failure != nullptr ? 1 : 0;
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

int live(const wchar_t* blocks) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" harness " + blocks;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                   &startup, &child);
    HWND main = nullptr;
    waitUntil(
        [&] {
            main = FindWindowW(nullptr, kTitle);
            return IsWindowVisible(main) && IsWindowEnabled(GetDlgItem(main, kIdUpdate));
        },
        30000);
    // The close box, where the window's frame metrics put it. Should the click miss it, the
    // harness is not ended by a close request and says so.
    RECT frame{};
    GetWindowRect(main, &frame);
    const POINT closeBox{
        frame.right - GetSystemMetrics(SM_CXDLGFRAME) - GetSystemMetrics(SM_CXSIZE) / 2,
        frame.top + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};

    std::atomic<int> pings = 0, unanswered = 0, hung = 0;
    std::atomic<bool> stop = false;
    std::thread pinger([&] {
        for (; !stop && IsWindow(main); Sleep(100)) {
            DWORD_PTR result = 0;
            const bool answered =
                SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
            if (IsWindow(main)) {  // else the program ended meanwhile: no answer to expect
                ++pings;
                unanswered += answered ? 0 : 1;
                hung += IsHungAppWindow(main) ? 1 : 0;
            }
        }
    });
    Sleep(500);  // a window just shown may not take a click yet
    click(centreOf(GetDlgItem(main, kIdUpdate)));
    HWND progress = nullptr;
    const auto position = [&] { return SendMessageW(progress, PBM_GETPOS, 0, 0); };
    waitUntil(
        [&] { return (progress = FindWindowW(L"msctls_progress32", nullptr)) && position() >= 30; },
        30000);
    click(centreOf(GetDlgItem(main, kIdUpdate)));  // must not start a second update
    Sleep(200);
    click(closeBox);
    const LRESULT closedAt = position();
    const bool closedDuringWrite = closedAt >= 30 && IsWindow(main);
    const bool ended = WaitForSingleObject(child.hProcess, 45000) == WAIT_OBJECT_0;
    stop = true;
    pinger.join();
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    std::printf(
        "talo_window_check: %d pings with a 1 s limit, %d unanswered; IsHungAppWindow true %d "
        "times; close box clicked at %ld %%; the harness %s with exit code %lu\n",
        pings.load(), unanswered.load(), hung.load(), static_cast<long>(closedAt),
        ended ? "ended" : "did not end", exitCode);
    TerminateProcess(child.hProcess, 1);
    return pings > 0 && unanswered == 0 && hung == 0 && closedDuringWrite && exitCode == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const wchar_t* count = argc > 2 ? argv[2] : L"0";
    if (mode == L"smoke" && argc == 4) {
        return smoke(argv[2], std::wcstoul(argv[3], nullptr, 10));
    }
    if (mode == L"live" || mode == L"harness") {
        return mode == L"live" ? live(count) : harness(std::wcstoul(count, nullptr, 10));
    }
    std::fprintf(stderr, "usage: talo_window_check smoke PROGRAM.exe SECONDS | live [BLOCKS]\n");
    return 1;
}
