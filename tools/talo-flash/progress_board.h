#pragma once

#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace talo::flash {

// The progress of several units written at once on a terminal: one line per unit, its label
// and its progress text, redrawn in place (the cursor goes back up over the board). Drawing
// happens only when a line changes. Safe to call from the units' threads.
class ProgressBoard {
  public:
    ProgressBoard(std::ostream& out, std::vector<std::string> labels);

    void show(std::size_t row, const std::string& text);

  private:
    void redraw();

    std::mutex mutex_;
    std::ostream& out_;
    std::vector<std::string> labels_;
    std::vector<std::string> lines_;
    std::size_t labelWidth_ = 0;
    bool drawn_ = false;
};

}  // namespace talo::flash
