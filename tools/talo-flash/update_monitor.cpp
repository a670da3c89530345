#include "update_monitor.h"

#include <algorithm>

#include "device/commands.h"
#include "update/block_plan.h"
#include "update/update_sequence.h"

namespace talo::flash {
namespace {

// Pauses from the first command to the first block: lock and unprotect, the erase's answer
// delay and pause, then the write address.
constexpr std::uint64_t kPreparationMs =
    kCommandPauseMs * 2 + kEraseAnswerDelayMs + kErasePauseMs + kCommandPauseMs * 2;

const char* phaseLabel(UpdatePhase phase) {
    switch (phase) {
        case UpdatePhase::Lock:
        case UpdatePhase::Unprotect:
        case UpdatePhase::Erase:
        case UpdatePhase::SetWriteAddress:
            return "erase";
        case UpdatePhase::Write:
            return "write";
        case UpdatePhase::Restore:
        case UpdatePhase::Succeeded:
        case UpdatePhase::Failed:
            break;
    }
    return "restore";
}

}  // namespace

UpdateMonitor::UpdateMonitor(const Clock& clock, std::ostream* progressOut, std::size_t blockCount)
    : clock_(clock), progressOut_(progressOut), blockCount_(blockCount) {}

UpdateMonitor::UpdateMonitor(const Clock& clock, ProgressBoard& board, std::size_t row,
                             std::size_t blockCount)
    : clock_(clock), progressOut_(nullptr), blockCount_(blockCount), board_(&board), row_(row) {}

void UpdateMonitor::onPhase(UpdatePhase phase) {
    last_ = phase;
    switch (phase) {
        case UpdatePhase::Lock:
            startMicros_ = clock_.nowMicros();
            if (progressOut_ != nullptr) {
                bar_.emplace(*progressOut_);
            }
            break;
        case UpdatePhase::Write:
            writeStartMicros_ = clock_.nowMicros();
            break;
        case UpdatePhase::Restore:
            percent_ = 100;
            break;
        case UpdatePhase::Succeeded:
        case UpdatePhase::Failed:
            closeBar();
            return;
        default:
            break;
    }
    draw();
}

void UpdateMonitor::onBlockWritten(std::size_t bytesWritten, std::size_t totalBytes) {
    ++blocksWritten_;
    percent_ = progressPercent(totalBytes, totalBytes - bytesWritten);
    draw();
}

void UpdateMonitor::tick() {
    draw();
}

void UpdateMonitor::closeBar() {
    bar_.reset();
}

std::uint64_t UpdateMonitor::remainingMs() const {
    if (!last_) {
        return 0;
    }
    const std::uint64_t now = clock_.nowMicros();
    const std::size_t blocksLeft = blockCount_ - std::min(blocksWritten_, blockCount_);
    switch (*last_) {
        case UpdatePhase::Lock:
        case UpdatePhase::Unprotect:
        case UpdatePhase::Erase:
        case UpdatePhase::SetWriteAddress: {
            const std::uint64_t spentMs = (now - startMicros_) / 1000;
            const std::uint64_t preparationLeft =
                kPreparationMs - std::min(spentMs, kPreparationMs);
            return preparationLeft + blockCount_ * kCommandPauseMs;
        }
        case UpdatePhase::Write: {
            std::uint64_t perBlockMicros = std::uint64_t{kCommandPauseMs} * 1000;
            if (blocksWritten_ > 0) {
                perBlockMicros =
                    std::max(perBlockMicros, (now - writeStartMicros_) / blocksWritten_);
            }
            return blocksLeft * perBlockMicros / 1000;
        }
        default:
            return 0;
    }
}

void UpdateMonitor::draw() {
    if ((!bar_ && board_ == nullptr) || !last_) {
        return;
    }
    unsigned percent = percent_;
    if (*last_ != UpdatePhase::Write && *last_ != UpdatePhase::Restore) {
        // Preparation: the share of its fixed pauses already spent.
        const std::uint64_t spentMs = (clock_.nowMicros() - startMicros_) / 1000;
        percent =
            static_cast<unsigned>(std::min<std::uint64_t>(spentMs * 100 / kPreparationMs, 99));
    }
    if (board_ != nullptr) {
        board_->show(row_, ProgressBar::render(phaseLabel(*last_), percent, remainingMs()));
    } else {
        bar_->show(phaseLabel(*last_), percent, remainingMs());
    }
}

}  // namespace talo::flash
