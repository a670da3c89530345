#include <atomic>
#include <map>
#include <optional>
#include <thread>

#include "app.h"
#include "interrupt_guard.h"
#include "text_output.h"
#include "unit_job.h"
#include "unit_report_output.h"
#include "unit_scan.h"
#include "verb.h"

namespace talo::flash {
namespace {

// A HID stack of its own for the unit at `path`, for a thread of its own.
std::unique_ptr<HidPlatform> unitHid(Environment& environment, const std::u16string& path) {
    if (environment.simulation) {
        return environment.simulation->unitView(path);
    }
    return std::make_unique<SelectedUnitHid>(environment.systemHid(), path);
}

std::unique_ptr<Clock> unitClock(Environment& environment) {
    if (environment.unitClock) {
        return environment.unitClock();
    }
    return std::make_unique<BorrowedClock>(environment.clock);
}

// The signals held back during the writes, honoured now that none runs: Ctrl-Z stops the
// process here; an ending signal becomes the exit code.
void honourSignals(VerbResult& result) {
    honourHeldStop();
    if (interruptHeldBack()) {
        result.signalExit = heldBackExitCode();
        result.message = "interrupted by a signal after the update had ended";
    }
}

VerbResult tallied(const RunTally& tally) {
    switch (tally.exitCode()) {
        case ExitCode::Success:
            return {};
        case ExitCode::Failed:
            return {ExitCode::Failed, std::to_string(tally.failed) + " unit(s) failed"};
        case ExitCode::NotReady:
            return {ExitCode::NotReady, "no unit was ready"};
        default:
            return {ExitCode::Declined, "the downgrade was declined; nothing was written"};
    }
}

class UpdateVerb final : public Verb {
  public:
    std::string_view name() const override { return "update"; }
    std::string_view help() const override {
        return "write the carried firmware into the controller (asks before a downgrade)";
    }

    VerbResult execute(Invocation& invocation) override {
        const CliArgs& args = invocation.args;
        UpdateOutput output(invocation.console, args.json, args.all || args.repeat);
        const UpdateSettings settings{invocation.console,
                                      output,
                                      invocation.image,
                                      args.yes,
                                      invocation.environment.journal,
                                      invocation.environment.systemAwake};
        clearHeldBack();
        RunTally tally;
        VerbResult result;
        if (args.repeat) {
            result = station(invocation, settings, tally);
        } else if (args.all) {
            result = allUnits(invocation, settings, tally);
        } else {
            result = oneUnit(invocation, settings, tally);
        }
        output.summary(tally, result);
        result.printed = args.json;
        return result;
    }

  private:
    // One unit: the first one found, or the one --unit names. Text output as it always was.
    static VerbResult oneUnit(Invocation& invocation, const UpdateSettings& settings,
                              RunTally& tally) {
        const CliArgs& args = invocation.args;
        Console& console = invocation.console;
        const std::vector<ExaminedDevice> present = presentUnits(*invocation.hid);
        std::optional<std::u16string> path;
        if (args.unit) {
            const ExaminedDevice* unit = findUnit(present, *args.unit);
            if (unit == nullptr) {
                return {ExitCode::NoUnit, unknownUnitMessage(*args.unit, present)};
            }
            path = unit->path;
        }
        UnitJob job(settings, std::make_unique<SelectedUnitHid>(*invocation.hid, path),
                    std::make_unique<BorrowedClock>(invocation.clock), args.json);
        const UnitReport& report = job.examine(present);
        if (!args.json) {
            printUnit(console.out, report);
        }
        if (!job.ready()) {
            if (!args.json) {
                printGuidance(console.out, report);
            }
            return situationResult(report.readiness);
        }
        // The bar goes where a person watches: stdout, or stderr when stdout carries JSON.
        ProgressPlace place;
        if (!args.json && console.outIsTerminal) {
            place.line = &console.out;
        } else if (args.json && console.errIsTerminal) {
            place.line = &console.err;
        }
        job.write(place);
        tally.add(job.result());
        if (!args.json) {
            const std::u16string& status = job.view().updateEndText();
            if (!status.empty()) {
                (job.result() == UnitResult::Failed ? console.err : console.out)
                    << toTerminalText(status) << '\n';
            }
        }
        VerbResult result = tallied(tally);
        if (job.result() == UnitResult::Failed) {
            result.message = "the update failed";
        }
        honourSignals(result);
        return result;
    }

    // Every unit present: each examined, every question asked before the first write, then
    // every unit to be written on a thread of its own.
    static VerbResult allUnits(Invocation& invocation, const UpdateSettings& settings,
                               RunTally& tally) {
        const CliArgs& args = invocation.args;
        Console& console = invocation.console;
        Environment& environment = invocation.environment;
        UpdateOutput& output = settings.output;
        const std::vector<ExaminedDevice> present = presentUnits(*invocation.hid);
        if (present.empty()) {
            return {ExitCode::NoUnit, "no programming unit found"};
        }
        std::vector<std::unique_ptr<UnitJob>> jobs;
        std::vector<UnitJob*> toWrite;
        for (const ExaminedDevice& unit : present) {
            auto job = std::make_unique<UnitJob>(settings, unitHid(environment, unit.path),
                                                 unitClock(environment), args.json);
            const UnitReport& report = job->examine(present);
            output.line(report.id + "  " + situationName(report.readiness));
            if (!job->ready()) {
                job->skip(UnitResult::Skipped);
            } else if (job->asksBeforeWriting() && !askFor(*job, console, args.json)) {
                job->skip(UnitResult::Declined);
            } else {
                job->beQuiet();  // its failure goes into its result line
                toWrite.push_back(job.get());
            }
            jobs.push_back(std::move(job));
        }
        writeSideBySide(toWrite, console, output, args.json);
        for (const auto& job : jobs) {
            tally.add(job->result());
        }
        VerbResult result = tallied(tally);
        honourSignals(result);
        return result;
    }

    // The question of one unit, before any write starts, with the unit named first.
    static bool askFor(UnitJob& job, Console& console, bool json) {
        (json ? console.err : console.out) << job.report().id << ":\n";
        return job.askNow();
    }

    static void writeSideBySide(const std::vector<UnitJob*>& jobs, Console& console,
                                UpdateOutput& output, bool json) {
        std::optional<ProgressBoard> board;
        if (!json && console.outIsTerminal && !jobs.empty()) {
            std::vector<std::string> labels;
            for (const UnitJob* job : jobs) {
                labels.push_back(job->report().id);
            }
            board.emplace(console.out, labels);
            output.holdLines();  // the board owns the terminal until every write has ended
        }
        std::vector<std::thread> threads;
        for (std::size_t row = 0; row < jobs.size(); ++row) {
            ProgressPlace place;
            place.board = board ? &*board : nullptr;
            place.row = row;
            threads.emplace_back([job = jobs[row], place] { job->write(place); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        output.releaseLines();
    }

    // Station mode: every unit that arrives is examined and, when ready, written (never
    // downgraded without --yes); it is forgotten once it has been unplugged. Goes on until a
    // signal ends it: at once while no write runs, else once the running writes have ended.
    static VerbResult station(Invocation& invocation, const UpdateSettings& settings,
                              RunTally& tally) {
        const CliArgs& args = invocation.args;
        Environment& environment = invocation.environment;
        struct Running {
            std::unique_ptr<UnitJob> job;
            std::thread thread;
            std::atomic<bool> done{false};
        };
        std::map<std::u16string, std::unique_ptr<Running>> seen;  // by path, until unplugged
        settings.output.line("waiting for programming units (Ctrl-C ends)");
        while (true) {
            const std::vector<ExaminedDevice> present = presentUnits(*invocation.hid);
            bool anyRunning = false;
            for (auto entry = seen.begin(); entry != seen.end();) {
                Running& running = *entry->second;
                const bool finished = running.done.load();
                if (finished && running.thread.joinable()) {
                    running.thread.join();
                    tally.add(running.job->result());
                }
                anyRunning = anyRunning || !finished;
                const bool gone = findUnit(present, toUtf8Lossy(entry->first)) == nullptr;
                entry = finished && gone ? seen.erase(entry) : std::next(entry);
            }
            if (interruptHeldBack() && !anyRunning) {
                break;
            }
            if (!anyRunning) {
                honourHeldStop();
            }
            for (const ExaminedDevice& unit : present) {
                if (seen.count(unit.path) != 0 || (anyRunning && !args.all) ||
                    interruptHeldBack()) {
                    continue;
                }
                auto running = std::make_unique<Running>();
                running->job = std::make_unique<UnitJob>(settings, unitHid(environment, unit.path),
                                                         unitClock(environment), true);
                Running* raw = running.get();
                raw->thread = std::thread([raw, present, &output = settings.output] {
                    stationUnit(*raw->job, output, present);
                    raw->done.store(true);
                });
                seen.emplace(unit.path, std::move(running));
                anyRunning = true;
            }
            environment.clock.sleepMs(environment.waitPollMs);
        }
        VerbResult result = tallied(tally);
        honourSignals(result);
        return result;
    }

    static void stationUnit(UnitJob& job, UpdateOutput& output,
                            const std::vector<ExaminedDevice>& present) {
        const UnitReport& report = job.examine(present);
        output.line(report.id + "  " + situationName(report.readiness));
        // Not ready, or the station is ending: no new write.
        if (!job.ready() || interruptHeldBack()) {
            job.skip(UnitResult::Skipped);
            return;
        }
        job.answerByOption();
        job.write(ProgressPlace{});
    }
};

}  // namespace

std::unique_ptr<Verb> makeUpdateVerb() {
    return std::make_unique<UpdateVerb>();
}

}  // namespace talo::flash
