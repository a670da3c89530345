#include "progress_board.h"

#include <algorithm>

namespace talo::flash {

ProgressBoard::ProgressBoard(std::ostream& out, std::vector<std::string> labels)
    : out_(out), labels_(std::move(labels)), lines_(labels_.size()) {
    for (const std::string& label : labels_) {
        labelWidth_ = std::max(labelWidth_, label.size());
    }
}

void ProgressBoard::show(std::size_t row, const std::string& text) {
    const std::lock_guard lock(mutex_);
    if (row >= lines_.size() || lines_[row] == text) {
        return;
    }
    lines_[row] = text;
    redraw();
}

void ProgressBoard::redraw() {
    if (drawn_) {
        out_ << "\x1b[" << lines_.size() << 'F';  // to the start of the board's first line
    }
    for (std::size_t row = 0; row < lines_.size(); ++row) {
        std::string label = labels_[row];
        label.resize(labelWidth_, ' ');
        out_ << label << "  " << lines_[row] << "\x1b[K\n";  // and clear what a longer line left
    }
    out_ << std::flush;
    drawn_ = true;
}

}  // namespace talo::flash
