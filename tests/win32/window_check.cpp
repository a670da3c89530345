// Checks the Windows program's windows as the system and the user see them.
//   talo_window_check smoke SECONDS
//     The program's main window appears and its status pane shows the no-device guidance:
//     message 40017, a blank line and message 40001, as the message catalogue has them.
//   talo_window_check live [BLOCKS]
//     Runs the program's real main dialog (procedure, window operations, write gate,
//     waitable-timer clock, message pump) over the simulated unit, which takes its time on the
//     real clock, and which another program holds for the first second. Another thread waits
//     until the window offers the unit, clicks "Update", then in mid-write "Update" again and the
//     close box, all as real mouse input, and meanwhile pings the main window every 100 ms with
//     WM_NULL (1 s limit) and samples IsHungAppWindow. Passes when every ping was answered, the
//     window never counted as hung, the close box was clicked while the write ran, and the close
//     request ended the dialog after the image (or its first BLOCKS blocks) was written, all
//     within a minute of the window showing.
// Exit code 0 when the check passed, 1 otherwise with the reason printed.

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/win32/firmware_resource.h"
#include "platform/win32/main_dialog_run.h"
#include "platform/win32/waitable_timer_clock.h"
#include "resources/messages.h"
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

int smoke(ULONGLONG seconds) {
    const std::u16string expected =
        std::u16string(catalogueText(40017)) + u"\r\n\r\n" + std::u16string(catalogueText(40001));
    wchar_t text[4096] = {};
    // WM_GETTEXT itself: GetWindowText does not read another program's controls.
    const bool shown = waitUntil(
        [&] {
            text[0] = L'\0';
            SendMessageW(GetDlgItem(FindWindowW(nullptr, kTitle), kIdStatusPane), WM_GETTEXT, 4096,
                         reinterpret_cast<LPARAM>(text));
            return reinterpret_cast<const char16_t*>(text) == expected;
        },
        seconds * 1000);
    std::fwprintf(shown ? stdout : stderr, L"window \"%ls\" %ls the no-device guidance:\n%ls\n",
                  kTitle, shown ? L"shows" : L"does not show", text);
    return shown ? 0 : 1;
}

// Another program writes the unit while the window opens and lets go of it a second later, on
// the dialog's thread; the window is then to offer the unit by itself.
sim::SimHidPlatform* otherProgramsUnit = nullptr;
bool busyUntilLetGo = false;

void CALLBACK otherProgramLetsGo(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    busyUntilLetGo = !IsWindowEnabled(GetDlgItem(FindWindowW(nullptr, kTitle), kIdUpdate));
    otherProgramsUnit->setClaimedElsewhere(0, false);
}

// Clicks the middle of `window`, or `point` when no window is given, as the user would.
void click(HWND window, POINT point = {}) {
    RECT rect{};
    if (GetWindowRect(window, &rect)) {
        point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    SetCursorPos(point.x, point.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

int live(std::size_t blocks) {
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
    hid.setClaimedElsewhere(id, true);
    otherProgramsUnit = &hid;
    SetTimer(nullptr, 0, 1000, otherProgramLetsGo);

    int pings = 0, unanswered = 0, hung = 0;
    LRESULT closedAt = -1;  // the progress when the close box was clicked
    bool endedByItself = false;
    std::thread user([&] {
        HWND main = nullptr;
        waitUntil(
            [&] {
                main = FindWindowW(nullptr, kTitle);
                return IsWindowVisible(main) && IsWindowEnabled(GetDlgItem(main, kIdUpdate));
            },
            30000);
        // The close box, where the window's frame metrics put it. Should the click miss it, the
        // dialog is not ended by a close request and the check says so.
        RECT frame{};
        GetWindowRect(main, &frame);
        const POINT closeBox{
            frame.right - GetSystemMetrics(SM_CXDLGFRAME) - GetSystemMetrics(SM_CXSIZE) / 2,
            frame.top + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
        Sleep(500);  // a window just shown may not take a click yet
        click(GetDlgItem(main, kIdUpdate));
        const ULONGLONG end = GetTickCount64() + 60000;
        for (; IsWindow(main) && GetTickCount64() < end; Sleep(100)) {
            DWORD_PTR result = 0;
            const bool answered =
                SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
            ++pings;
            unanswered += answered || !IsWindow(main) ? 0 : 1;  // ended meanwhile: none due
            hung += IsHungAppWindow(main) ? 1 : 0;
            const LRESULT position =
                SendMessageW(FindWindowW(L"msctls_progress32", nullptr), PBM_GETPOS, 0, 0);
            if (closedAt < 0 && position >= 30) {
                click(GetDlgItem(main, kIdUpdate));  // must not start a second update
                Sleep(200);
                click(nullptr, closeBox);
                closedAt = position;
            }
        }
        endedByItself = !IsWindow(main);
        PostMessageW(main, WM_CLOSE, 0, 0);  // a dialog still open has failed the check
    });
    const INT_PTR result = win32::runMainDialog(instance, DeviceLink{hid, clock}, pump, image);
    user.join();
    const std::size_t written = hid.unit(id).flash.bytesWritten;
    std::printf(
        "talo_window_check: %d pings (1 s limit), %d unanswered, %d hung; busy until let go "
        "%d; close box clicked at %ld %%; dialog result %lld, ended by itself "
        "%d; %zu of %zu bytes written\n",
        pings, unanswered, hung, busyUntilLetGo, static_cast<long>(closedAt),
        static_cast<long long>(result), endedByItself, written, image.size);
    const bool alive = pings > 0 && unanswered == 0 && hung == 0;
    const bool closed = endedByItself && closedAt >= 30 && result == kDialogResultQuit;
    return alive && closed && busyUntilLetGo && written == image.size ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"smoke" && argc == 3) {
        return smoke(std::wcstoul(argv[2], nullptr, 10));
    }
    if (mode == L"live") {
        return live(argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 0);
    }
    std::fprintf(stderr, "usage: talo_window_check smoke SECONDS | live [BLOCKS]\n");
    return 1;
}
