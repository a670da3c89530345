#include <windows.h>

#include <cstdlib>
#include <system_error>

#include "history/history_file.h"

namespace talo {

std::filesystem::path defaultHistoryPath() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || *local == L'\0') {
        return {};
    }
    return std::filesystem::path(local) / L"talo-updater" / L"history.jsonl";
}

bool appendHistoryLine(const std::filesystem::path& file, std::string_view line,
                       std::string& error) {
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the current end.
    HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = file.string() + ": error " + std::to_string(GetLastError());
        return false;
    }
    std::string text(line);
    text += '\n';
    OVERLAPPED whole{};
    bool written = false;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        error = file.string() + ": lock: error " + std::to_string(GetLastError());
    } else {
        DWORD count = 0;
        written =
            WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &count, nullptr) &&
            count == text.size();
        if (!written) {
            error = file.string() + ": error " + std::to_string(GetLastError());
        }
        UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(handle);
    return written;
}

}  // namespace talo
