#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talo {

// The per-user history file: $XDG_STATE_HOME/talo-updater/history.jsonl (default
// ~/.local/state/...) on Linux, %LOCALAPPDATA%\talo-updater\history.jsonl on Windows. Empty
// when the environment names no place for it.
std::filesystem::path defaultHistoryPath();

// Appends `line` and a line break to `file` as one write on a file opened for appending, under
// an exclusive lock on the file, so lines from parallel threads and processes never interleave
// or get lost. Creates the file and its folder when missing. Returns false, with the system's
// reason in `error`, when the line could not be written whole.
bool appendHistoryLine(const std::filesystem::path& file, std::string_view line,
                       std::string& error);

// Reads the lines of `file` in order. A missing file has no lines; returns false when the
// file exists but cannot be read.
bool readHistoryLines(const std::filesystem::path& file, std::vector<std::string>& lines);

}  // namespace talo
