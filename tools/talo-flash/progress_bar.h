#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace talo::flash {

// One terminal line showing a phase, a bar, the percentage and the remaining time, redrawn in
// place with a carriage return. It writes only when the text of the line changes, and ends
// its line when it goes out of scope, so whatever is printed next starts on a fresh line.
class ProgressBar {
  public:
    explicit ProgressBar(std::ostream& out) : out_(out) {}
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // percent is clamped to 100; remainingMs is rounded up to whole seconds.
    void show(std::string_view phase, unsigned percent, std::uint64_t remainingMs);

    // The line as show() would draw it, without the leading carriage return.
    static std::string render(std::string_view phase, unsigned percent, std::uint64_t remainingMs);

  private:
    std::ostream& out_;
    std::string last_;
    unsigned redraws_ = 0;
};

}  // namespace talo::flash
