#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <string_view>

namespace talo::flash {
namespace {

constexpr std::array<std::string_view, 4> kVerbs = {"list", "info", "update", "history"};

bool isKnownVerb(const std::string& verb) {
    return std::find(kVerbs.begin(), kVerbs.end(), verb) != kVerbs.end();
}

// The parser's own words for what it did not expect, in the tool's terms.
std::string unexpected(const std::vector<std::string>& extras) {
    const std::string& first = extras.front();
    if (first.starts_with("-")) {
        return "unknown option '" + first + "'";
    }
    return "unexpected argument '" + first + "'";
}

// Options that only make sense together; empty when the combination is sound.
std::string combinationError(const CliArgs& args) {
    if (args.all && args.verb != "update") {
        return "--all works with update only";
    }
    if (args.all && args.unit) {
        return "--all and --unit exclude each other";
    }
    if (args.repeat && (args.verb != "update" || !args.wait)) {
        return "--repeat needs update --wait";
    }
    if (args.repeat && args.unit) {
        return "--repeat and --unit exclude each other";
    }
    if (args.last && args.verb != "history") {
        return "--last works with history only";
    }
    if (args.unit && args.verb != "info" && args.verb != "update") {
        return "--unit works with info and update only";
    }
    return {};
}

}  // namespace

ParseResult parseArguments(const std::vector<std::string>& arguments) {
    ParseResult result;
    CliArgs& args = result.args;
    // "--simulate=" with nothing after it reads like a forgotten plan, not the default one.
    if (std::find(arguments.begin(), arguments.end(), "--simulate=") != arguments.end()) {
        // Still in the form asked for: --json promises JSON on stdout, errors included.
        args.json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
        result.error = "--simulate= needs a situation";
        return result;
    }

    CLI::App app;
    app.set_help_flag();  // --help is the tool's own text (help_text.cpp)
    app.allow_extras();
    std::vector<std::string> verbs;
    std::string simulate;
    std::string unit;
    std::size_t last = 0;
    app.add_flag("-h,--help", args.help);
    app.add_flag("--version", args.version);
    app.add_flag("--json", args.json);
    app.add_flag("-y,--yes", args.yes);
    app.add_flag("--wait", args.wait);
    app.add_flag("--all", args.all);
    app.add_flag("--repeat", args.repeat);
    // A flag, not an option: a plan is given as --simulate=PLAN only, so "--simulate update"
    // leaves the verb alone.
    app.add_flag("--simulate{}", simulate);
    app.add_option("--unit", unit);
    app.add_option("--last", last)->check(CLI::PositiveNumber);
    app.add_option("verb", verbs);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
        return result;
    }
    if (!app.remaining().empty()) {
        result.error = unexpected(app.remaining());
        return result;
    }
    if (app.count("--simulate") > 0) {
        args.simulate = simulate;
    }
    if (app.count("--unit") > 0) {
        args.unit = unit;
    }
    if (app.count("--last") > 0) {
        args.last = last;
    }
    for (const std::string& verb : verbs) {
        if (!isKnownVerb(verb)) {
            result.error = "unknown verb '" + verb + "'";
            return result;
        }
    }
    if (verbs.size() > 1) {
        result.error = "more than one verb: '" + verbs[0] + "' and '" + verbs[1] + "'";
        return result;
    }
    if (!verbs.empty()) {
        args.verb = verbs.front();
    }
    if (args.verb.empty() && !args.help && !args.version) {
        result.error = "no verb given";
        return result;
    }
    if (!args.help && !args.version) {
        result.error = combinationError(args);
    }
    return result;
}

}  // namespace talo::flash
