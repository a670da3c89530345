#include "cli_args.h"

#include <array>
#include <string_view>

namespace talo::flash {
namespace {

constexpr std::array<std::string_view, 3> kVerbs = {"list", "info", "update"};
constexpr std::string_view kSimulatePrefix = "--simulate=";

// Sets the flag of a value-less option; false when `word` is none of them.
bool takeFlag(std::string_view word, CliArgs& args) {
    if (word == "--help" || word == "-h") {
        args.help = true;
    } else if (word == "--version") {
        args.version = true;
    } else if (word == "--json") {
        args.json = true;
    } else if (word == "--yes" || word == "-y") {
        args.yes = true;
    } else if (word == "--wait") {
        args.wait = true;
    } else if (word == "--simulate") {
        args.simulate = std::string();
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool isKnownVerb(const std::string& verb) {
    for (const std::string_view known : kVerbs) {
        if (verb == known) {
            return true;
        }
    }
    return false;
}

ParseResult parseArguments(const std::vector<std::string>& arguments) {
    ParseResult result;
    CliArgs& args = result.args;
    for (const std::string& word : arguments) {
        if (takeFlag(word, args)) {
            continue;
        }
        if (word.starts_with(kSimulatePrefix)) {
            args.simulate = word.substr(kSimulatePrefix.size());
            if (args.simulate->empty()) {
                result.error = "--simulate= needs a situation";
                return result;
            }
            continue;
        }
        if (word.starts_with("-")) {
            result.error = "unknown option '" + word + "'";
            return result;
        }
        if (!args.verb.empty()) {
            result.error = "more than one verb: '" + args.verb + "' and '" + word + "'";
            return result;
        }
        if (!isKnownVerb(word)) {
            result.error = "unknown verb '" + word + "'";
            return result;
        }
        args.verb = word;
    }
    if (args.verb.empty() && !args.help && !args.version) {
        result.error = "no verb given";
    }
    return result;
}

}  // namespace talo::flash
