#include <fstream>
#include <system_error>

#include "history/history_file.h"

namespace talo {

bool readHistoryLines(const std::filesystem::path& file, std::vector<std::string>& lines) {
    lines.clear();
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return !error;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return !in.bad();
}

}  // namespace talo
