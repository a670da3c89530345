#pragma once

#include <optional>
#include <string>
#include <vector>

namespace talo::flash {

// The parsed command line. Options may stand before or after the verb.
struct CliArgs {
    std::string verb;                     // "list", "info", "update"; empty with --help/--version
    bool help = false;                    // --help, -h
    bool version = false;                 // --version
    bool json = false;                    // --json
    bool yes = false;                     // --yes, -y: answer the downgrade question with Yes
    bool wait = false;                    // --wait: wait until a unit arrives
    std::optional<std::string> simulate;  // --simulate[=PLAN]; "" when given without a value
};

struct ParseResult {
    CliArgs args;
    std::string error;  // empty: parsed; otherwise what is wrong, for the user
};

// `arguments` excludes the program name.
ParseResult parseArguments(const std::vector<std::string>& arguments);

bool isKnownVerb(const std::string& verb);

}  // namespace talo::flash
