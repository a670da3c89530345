#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace talo::flash {

// The parsed command line. Options may stand before or after the verb.
struct CliArgs {
    std::string verb;                     // "list", "info", "update", "history"; empty with
                                          // --help/--version
    bool help = false;                    // --help, -h
    bool version = false;                 // --version
    bool json = false;                    // --json
    bool yes = false;                     // --yes, -y: answer the downgrade question with Yes
    bool wait = false;                    // --wait: wait until a unit arrives
    bool all = false;                     // --all: update every ready unit at once
    bool repeat = false;                  // --repeat: station mode (update --wait --repeat)
    std::optional<std::string> unit;      // --unit ID: the unit's serial or path, exact
    std::optional<std::size_t> last;      // --last N: history, the newest N records
    std::optional<std::string> simulate;  // --simulate[=PLAN]; "" when given without a value
};

struct ParseResult {
    CliArgs args;
    std::string error;  // empty: parsed; otherwise what is wrong, for the user
};

// `arguments` excludes the program name.
ParseResult parseArguments(const std::vector<std::string>& arguments);

}  // namespace talo::flash
