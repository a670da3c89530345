#include <cstdio>

#include "app.h"
#include "history/history_file.h"
#include "verb.h"

namespace talo::flash {
namespace {

std::string text(const Json& value, const char* key) {
    const auto found = value.find(key);
    return found != value.end() && found->is_string() ? found->get<std::string>() : "?";
}

// One record for people: time, program, unit, controller versions, result, duration.
std::string describe(const Json& record) {
    const Json& unit = record.value("unit", Json::object());
    const Json& before = record.value("before", Json::object());
    const Json& after = record.value("after", Json());
    std::string line =
        text(record, "time") + "  " + text(record, "program") + "  " + text(unit, "model") + " " +
        (unit.contains("serial") && unit["serial"].is_string() ? unit["serial"].get<std::string>()
                                                               : text(unit, "path"));
    line += "  controller " + text(before, "controller") + " -> " +
            (after.is_object() ? text(after, "controller") : std::string("?"));
    line += "  " + text(record, "result");
    if (const auto failure = record.find("failure"); failure != record.end()) {
        char code[32];
        std::snprintf(code, sizeof code, " (0x%08x-0x%08x)",
                      static_cast<unsigned>(failure->value("result", 0LL)),
                      static_cast<unsigned>(failure->value("systemError", 0ULL)));
        line += " at " + text(*failure, "step") + code;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "  %.1f s",
                  static_cast<double>(record.value("durationMs", 0ULL)) / 1000.0);
    return line + seconds;
}

class HistoryVerb final : public Verb {
  public:
    std::string_view name() const override { return "history"; }
    std::string_view help() const override {
        return "the record of every write attempt on this account, newest last";
    }
    bool needsHid() const override { return false; }

    VerbResult execute(Invocation& invocation) override {
        const std::filesystem::path& file = invocation.environment.historyFile;
        std::vector<std::string> lines;
        if (file.empty() || !readHistoryLines(file, lines)) {
            return {ExitCode::Failed, "the history cannot be read: " + file.string()};
        }
        std::vector<Json> records;
        std::size_t unreadable = 0;
        for (const std::string& line : lines) {
            Json record = Json::parse(line, nullptr, false);
            if (record.is_object()) {
                records.push_back(std::move(record));
            } else {
                ++unreadable;
            }
        }
        const std::size_t keep =
            std::min(records.size(), invocation.args.last.value_or(records.size()));
        records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(keep));

        if (invocation.args.json) {
            invocation.json["file"] = file.string();
            invocation.json["records"] = records;
            invocation.json["unreadableLines"] = unreadable;
        } else {
            for (const Json& record : records) {
                invocation.console.out << describe(record) << '\n';
            }
            if (records.empty()) {
                invocation.console.err << "no write recorded in " << file.string() << '\n';
            }
            if (unreadable > 0) {
                invocation.console.err << unreadable << " unreadable line(s) in " << file.string()
                                       << " left out\n";
            }
        }
        return {};
    }
};

}  // namespace

std::unique_ptr<Verb> makeHistoryVerb() {
    return std::make_unique<HistoryVerb>();
}

}  // namespace talo::flash
