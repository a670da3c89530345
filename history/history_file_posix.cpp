#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "history/history_file.h"

namespace talo {

std::filesystem::path defaultHistoryPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::filesystem::path base;
    if (state != nullptr && *state == '/') {  // a relative value is to be ignored
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        return {};
    }
    return base / "talo-updater" / "history.jsonl";
}

bool appendHistoryLine(const std::filesystem::path& file, std::string_view line,
                       std::string& error) {
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    std::string text(line);
    text += '\n';
    const bool locked = ::flock(fd, LOCK_EX) == 0;
    // One write of the whole line: with O_APPEND it lands at the end in one piece.
    const ssize_t count = locked ? ::write(fd, text.data(), text.size()) : -1;
    const bool written = count == static_cast<ssize_t>(text.size());
    if (!written) {
        error = file.string() + (locked ? ": " : ": lock: ") +
                (count < 0 ? std::strerror(errno) : std::string("short write"));
    }
    ::close(fd);  // also ends the lock
    return written;
}

}  // namespace talo
