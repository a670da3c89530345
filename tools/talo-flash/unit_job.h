#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "console_view.h"
#include "device/clock.h"
#include "device/hid_platform.h"
#include "progress_board.h"
#include "unit_report.h"
#include "update/system_awake.h"
#include "update/update_journal.h"
#include "update_monitor.h"
#include "update_output.h"

namespace talo::flash {

// What every unit of one update run shares.
struct UpdateSettings {
    Console& console;
    UpdateOutput& output;
    FirmwareImage image;
    bool yes = false;                                           // --yes
    UpdateJournal* journal = nullptr;                           // borrowed; may be null
    std::function<std::unique_ptr<SystemAwake>()> systemAwake;  // may be empty
};

// Where a unit's progress is drawn: nowhere, a line of its own on a stream, or a board row.
struct ProgressPlace {
    std::ostream* line = nullptr;
    ProgressBoard* board = nullptr;
    std::size_t row = 0;
};

// One unit's part of an update run, with a HID stack, clock, session and view of its own, so
// that units can be written on threads of their own. The unit's sequence is exactly the one of
// a single update: the start-up evaluation, then runUpdate. Every member is used by one thread
// at a time: the job may be handed to another thread between calls.
class UnitJob {
  public:
    // `quiet`: print nothing but the question (JSON output, or units written side by side).
    UnitJob(const UpdateSettings& settings, std::unique_ptr<HidPlatform> hid,
            std::unique_ptr<Clock> clock, bool quiet);

    // Runs the start-up evaluation; `present` names the units seen (for the serial number).
    const UnitReport& examine(const std::vector<ExaminedDevice>& present);
    const UnitReport& report() const { return report_; }
    bool ready() const { return report_.readiness == Readiness::Ready; }
    bool asksBeforeWriting() const { return report_.asksBeforeWriting; }

    // Asks the downgrade question now (or answers it by --yes or for want of a terminal), so
    // that write() takes that answer. Returns it; after No the unit counts as declined.
    bool askNow();
    // Answers the downgrade question with --yes without showing it.
    void answerByOption();
    // Prints from now on only what askNow() prints.
    void beQuiet() { view_.setQuiet(true); }

    // Runs the update; the outcome goes to the run's output.
    void write(const ProgressPlace& place);

    // Marks a unit that is not written (not ready, or declined before writing) and reports it.
    void skip(UnitResult result);

    UnitResult result() const { return result_; }
    const ConsoleView& view() const { return view_; }

  private:
    const UpdateSettings& settings_;
    std::unique_ptr<HidPlatform> hid_;
    std::unique_ptr<Clock> clock_;
    DeviceSession session_;
    ConsoleView view_;
    UnitReport report_;
    std::optional<bool> answer_;
    UnitResult result_ = UnitResult::Skipped;
};

// A clock that passes every call on to one owned elsewhere.
class BorrowedClock final : public Clock {
  public:
    explicit BorrowedClock(Clock& inner) : inner_(inner) {}
    void sleepMs(std::uint32_t ms) override { inner_.sleepMs(ms); }
    std::uint64_t nowMicros() const override { return inner_.nowMicros(); }

  private:
    Clock& inner_;
};

}  // namespace talo::flash
