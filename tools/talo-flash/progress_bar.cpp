#include "progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace talo::flash {
namespace {

constexpr unsigned kBarWidth = 30;

}  // namespace

ProgressBar::~ProgressBar() {
    if (redraws_ > 0) {
        out_ << '\n' << std::flush;
    }
}

std::string ProgressBar::render(std::string_view phase, unsigned percent,
                                std::uint64_t remainingMs) {
    percent = std::min(percent, 100u);
    const unsigned filled = percent * kBarWidth / 100;
    const std::uint64_t seconds = (remainingMs + 999) / 1000;

    std::string line;
    line.reserve(64);
    line += phase;
    line.resize(std::max<std::size_t>(line.size(), 8), ' ');  // phases line up
    line += '[';
    line.append(filled, '#');
    line.append(kBarWidth - filled, '.');
    line += ']';
    char tail[40];
    std::snprintf(tail, sizeof tail, " %3u%%  %llu:%02llu left", percent,
                  static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
    line += tail;
    return line;
}

void ProgressBar::show(std::string_view phase, unsigned percent, std::uint64_t remainingMs) {
    std::string line = render(phase, percent, remainingMs);
    if (line == last_) {
        return;
    }
    // Pad over the rest of a longer previous line (a longer phase name, more minutes).
    const std::size_t width = std::max(line.size(), last_.size());
    last_ = line;
    line.resize(width, ' ');
    out_ << '\r' << line << std::flush;
    ++redraws_;
}

}  // namespace talo::flash
