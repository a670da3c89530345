// Checks the running Windows program from outside, for the smoke test under Wine: waits for
// the main window by its title, then compares the status pane with the no-device guidance
// (message 40017, a blank line, message 40001) loaded from the program's own string table.
// Usage: talo_smoke_probe PROGRAM.exe TIMEOUT_SECONDS
// Exit code 0 when window and text are as expected, 1 otherwise.

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/win32_headers.h"

namespace {

constexpr wchar_t kTitle[] = L"MERIDOVAN TALO Max 150 Firmware Updater 1.8";
constexpr int kStatusPaneId = 40004;

std::wstring loadMessage(HMODULE program, UINT id) {
    std::vector<wchar_t> buffer(2048);
    const int length = LoadStringW(program, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring windowText(HWND window) {
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    SendMessageW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: talo_smoke_probe PROGRAM.exe TIMEOUT_SECONDS\n");
        return 1;
    }
    HMODULE program = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr) {
        std::fwprintf(stderr, L"cannot load %ls\n", argv[1]);
        return 1;
    }
    const std::wstring expected =
        loadMessage(program, 40017) + L"\r\n\r\n" + loadMessage(program, 40001);

    const long timeoutMs = std::wcstol(argv[2], nullptr, 10) * 1000;
    HWND window = nullptr;
    std::wstring status;
    for (long waited = 0; waited <= timeoutMs; waited += 250) {
        window = FindWindowW(nullptr, kTitle);
        if (window != nullptr) {
            status = windowText(GetDlgItem(window, kStatusPaneId));
            if (status == expected) {
                break;
            }
        }
        Sleep(250);
    }
    if (window == nullptr) {
        std::fwprintf(stderr, L"no window titled \"%ls\"\n", kTitle);
        return 1;
    }
    if (expected.size() < 100 || status != expected) {
        std::fwprintf(stderr, L"status pane differs from 40017 + blank line + 40001:\n%ls\n",
                      status.c_str());
        return 1;
    }
    std::wprintf(L"window \"%ls\" shows the no-device guidance (%u characters)\n", kTitle,
                 static_cast<unsigned>(status.size()));
    return 0;
}
