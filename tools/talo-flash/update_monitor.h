#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>

#include "device/clock.h"
#include "progress_bar.h"
#include "progress_board.h"
#include "update/updater_context.h"

namespace talo::flash {

// Stages of one update as the monitor shows them, in the order they begin.
enum class UpdatePhase {
    Lock,
    Unprotect,
    Erase,
    SetWriteAddress,
    Write,
    Restore,
    Succeeded,
    Failed
};

// Follows one update: its phases and blocks and, when given a stream or a board row, a progress bar
// with the phases erase (lock, unprotect, erase, write address), write and restore, the percentage
// and an estimate of the time left from the fixed pacing.
class UpdateMonitor final {
  public:
    // `progressOut` null: no progress bar. `blockCount` is the number of WriteBlock commands.
    UpdateMonitor(const Clock& clock, std::ostream* progressOut, std::size_t blockCount);
    // Draws into line `row` of `board` instead (several units at once).
    UpdateMonitor(const Clock& clock, ProgressBoard& board, std::size_t row,
                  std::size_t blockCount);

    void onPhase(UpdatePhase phase);
    // After every block the unit accepted: image bytes sent so far, of `totalBytes`.
    void onBlockWritten(std::size_t bytesWritten, std::size_t totalBytes);

    // Redraws the bar for the current time (called during long pauses).
    void tick();
    // Ends the bar's line now, before other output is printed.
    void closeBar();

    std::size_t blocksWritten() const { return blocksWritten_; }

    // Time left by the fixed pacing, with each block taking as long as the blocks so far.
    std::uint64_t remainingMs() const;

  private:
    void draw();

    const Clock& clock_;
    std::ostream* progressOut_;
    std::size_t blockCount_;
    std::optional<ProgressBar> bar_;
    ProgressBoard* board_ = nullptr;
    std::size_t row_ = 0;
    std::optional<UpdatePhase> last_;
    std::uint64_t startMicros_ = 0;
    std::uint64_t writeStartMicros_ = 0;
    std::size_t blocksWritten_ = 0;
    unsigned percent_ = 0;
};

}  // namespace talo::flash
