#include "update_output.h"

#include "history/history_record.h"
#include "text_output.h"
#include "unit_report_output.h"

namespace talo::flash {
namespace {

// A failure box as one line: its text with the code line after a colon.
std::string oneLine(const std::u16string& text) {
    std::string line = toTerminalText(text);
    for (char& c : line) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return line;
}

}  // namespace

const char* unitResultName(UnitResult result) {
    switch (result) {
        case UnitResult::Written:
            return "written";
        case UnitResult::Failed:
            return "failed";
        case UnitResult::Declined:
            return "declined";
        case UnitResult::Skipped:
            break;
    }
    return "skipped";
}

void RunTally::add(UnitResult result) {
    switch (result) {
        case UnitResult::Written:
            ++written;
            break;
        case UnitResult::Failed:
            ++failed;
            break;
        case UnitResult::Declined:
            ++declined;
            break;
        case UnitResult::Skipped:
            ++skipped;
            break;
    }
}

ExitCode RunTally::exitCode() const {
    if (failed > 0) {
        return ExitCode::Failed;
    }
    if (written == 0 && declined == 0) {
        return ExitCode::NotReady;
    }
    if (written == 0) {
        return ExitCode::Declined;
    }
    return ExitCode::Success;
}

void UpdateOutput::emit(const Json& event) {
    console_.out << jsonLine(event) << '\n' << std::flush;
}

void UpdateOutput::unitFound(const UnitReport& report) {
    if (!json_) {
        return;  // people see the unit through the verb's own lines
    }
    Json event{{"event", "unit"}};
    addUnitJson(event, report);
    const std::lock_guard lock(mutex_);
    emit(event);
}

void UpdateOutput::started(const std::string& id) {
    if (json_) {
        const std::lock_guard lock(mutex_);
        emit(Json{{"event", "started"}, {"unit", id}});
    }
}

void UpdateOutput::progress(const std::string& id, unsigned percent) {
    if (json_) {
        const std::lock_guard lock(mutex_);
        emit(Json{{"event", "progress"}, {"unit", id}, {"percent", percent}});
    }
}

void UpdateOutput::finished(const std::string& id, UnitResult result, const ConsoleView* view,
                            std::size_t blocksWritten) {
    const std::lock_guard lock(mutex_);
    if (!json_) {
        if (!resultLines_) {
            return;
        }
        std::string text = id + "  " + unitResultName(result);
        if (view != nullptr && view->failure()) {
            text += ": " + oneLine(view->failure()->text);
        }
        print(text);
        return;
    }
    Json event{{"event", "finished"}, {"unit", id}, {"result", unitResultName(result)}};
    if (view != nullptr) {
        if (const auto& question = view->question()) {
            event["question"] = Json{{"caption", utf8(question->caption)},
                                     {"text", utf8(question->text)},
                                     {"answer", question->answeredYes ? "yes" : "no"}};
        }
        if (const auto& code = view->failureCode()) {
            event["failure"] = Json{{"step", stepName(code->step)},
                                    {"result", code->result},
                                    {"systemError", code->systemError},
                                    {"caption", utf8(view->failure()->caption)},
                                    {"text", utf8(view->failure()->text)}};
        }
        if (!view->updateEndText().empty()) {
            event["status"] = utf8(view->updateEndText());
        }
    }
    event["blocksWritten"] = blocksWritten;
    emit(event);
}

void UpdateOutput::line(const std::string& text) {
    if (!json_) {
        const std::lock_guard lock(mutex_);
        print(text);
    }
}

void UpdateOutput::print(const std::string& text) {
    if (holding_) {
        held_.push_back(text);
    } else {
        console_.out << text << '\n' << std::flush;
    }
}

void UpdateOutput::holdLines() {
    const std::lock_guard lock(mutex_);
    holding_ = true;
}

void UpdateOutput::releaseLines() {
    const std::lock_guard lock(mutex_);
    holding_ = false;
    for (const std::string& text : held_) {
        console_.out << text << '\n';
    }
    console_.out << std::flush;
    held_.clear();
}

void UpdateOutput::summary(const RunTally& tally, const VerbResult& result) {
    if (!json_) {
        return;
    }
    Json event{{"event", "summary"},
               {"written", tally.written},
               {"failed", tally.failed},
               {"declined", tally.declined},
               {"skipped", tally.skipped}};
    if (!result.message.empty()) {
        event["error"] = result.message;
    }
    event["exitCode"] = result.signalExit != 0 ? result.signalExit : toInt(result.code);
    const std::lock_guard lock(mutex_);
    emit(event);
}

}  // namespace talo::flash
