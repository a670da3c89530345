#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "console.h"
#include "console_view.h"
#include "json_output.h"
#include "unit_report.h"
#include "verb.h"

namespace talo::flash {

// How one unit's part of an update run ended.
enum class UnitResult { Written, Failed, Declined, Skipped };

const char* unitResultName(UnitResult result);  // "written", "failed", "declined", "skipped"

// The counts of an update run, for its summary and exit code.
struct RunTally {
    std::size_t written = 0;
    std::size_t failed = 0;
    std::size_t declined = 0;
    std::size_t skipped = 0;

    void add(UnitResult result);
    // 1 any failed; 4 none ready; 5 every ready unit declined; else 0.
    ExitCode exitCode() const;
};

// The output of `update`. With --json: JSON Lines on stdout, one event per line (unit,
// started, progress, finished, summary); otherwise lines for people. Every call may come from
// any unit's thread; lines never mix.
class UpdateOutput {
  public:
    // `resultLines`: a line per unit's result for people (several units); a single update
    // keeps its own text.
    UpdateOutput(Console& console, bool json, bool resultLines)
        : console_(console), json_(json), resultLines_(resultLines) {}

    bool json() const { return json_; }

    void unitFound(const UnitReport& report);
    void started(const std::string& id);
    void progress(const std::string& id, unsigned percent);
    // The unit's end: its result and, when its view saw them, the question and the failure.
    void finished(const std::string& id, UnitResult result, const ConsoleView* view,
                  std::size_t blocksWritten);
    // Lines for people only: one text line on stdout (ignored with --json).
    void line(const std::string& text);
    // While a progress board owns the terminal, lines for people wait; released in order.
    void holdLines();
    void releaseLines();
    // The last JSON line of the run (nothing without --json).
    void summary(const RunTally& tally, const VerbResult& result);

  private:
    void emit(const Json& event);

    void print(const std::string& text);  // under mutex_

    std::mutex mutex_;
    std::vector<std::string> held_;
    bool holding_ = false;
    Console& console_;
    bool json_;
    bool resultLines_;
};

}  // namespace talo::flash
