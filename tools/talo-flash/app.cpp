#include "app.h"

#include "command_line.h"
#include "exit_codes.h"
#include "help_text.h"
#include "history/history_record.h"
#include "json_output.h"
#include "simulation.h"
#include "unit_scan.h"
#include "verb.h"

namespace talo::flash {
namespace {

std::vector<std::unique_ptr<Verb>> allVerbs() {
    std::vector<std::unique_ptr<Verb>> verbs;
    verbs.push_back(makeListVerb());
    verbs.push_back(makeInfoVerb());
    verbs.push_back(makeUpdateVerb());
    verbs.push_back(makeHistoryVerb());
    return verbs;
}

// The one place where a result becomes output and an exit code.
int finish(Environment& environment, bool json, Json& object, const VerbResult& result) {
    Console& console = environment.console;
    const int code = result.signalExit != 0 ? result.signalExit : toInt(result.code);
    if (json) {
        if (!result.printed) {
            if (!result.message.empty()) {
                object["error"] = result.message;
            }
            object["exitCode"] = code;
            console.out << jsonLine(object) << '\n' << std::flush;
        }
    } else if (!result.message.empty()) {
        console.err << "talo-flash: " << result.message << '\n' << std::flush;
    }
    return code;
}

void writeVersion(Environment& environment, bool json, Json& object) {
    const RecordSource source = recordSource("talo-flash", environment.image);
    if (json) {
        object["version"] = TALO_FLASH_VERSION;
        object["imageVersion"] = source.imageVersion;
        object["imageBytes"] = environment.image.size;
        object["imageSha256"] = source.imageSha256;
        return;
    }
    environment.console.out << "talo-flash " << TALO_FLASH_VERSION << '\n'
                            << "firmware image " << source.imageVersion << ", "
                            << environment.image.size << " bytes\n"
                            << "sha256 " << source.imageSha256 << '\n';
}

// True when a programming unit is present; with `id`, that very unit.
bool wantedUnitPresent(HidPlatform& hid, const std::optional<std::string>& id) {
    const std::vector<ExaminedDevice> units = presentUnits(hid);
    return id ? findUnit(units, *id) != nullptr : !units.empty();
}

// Polls the device list until the unit (any, or the one --unit names) is present.
void waitForUnit(Environment& environment, HidPlatform& hid, const CliArgs& args) {
    if (wantedUnitPresent(hid, args.unit)) {
        return;
    }
    if (!args.json) {
        environment.console.err << "waiting for a programming unit ...\n" << std::flush;
    }
    while (!wantedUnitPresent(hid, args.unit)) {
        environment.clock.sleepMs(environment.waitPollMs);
    }
}

}  // namespace

int runTool(const std::vector<std::string>& arguments, Environment& environment) {
    const ParseResult parsed = parseArguments(arguments);
    const CliArgs& args = parsed.args;
    const bool json = args.json;
    Json object = Json::object();
    const auto verbs = allVerbs();

    if (!parsed.error.empty()) {
        if (!json) {
            environment.console.err << usageLine() << '\n';
        }
        return finish(environment, json, object, {ExitCode::Usage, parsed.error});
    }
    if (args.help) {
        if (json) {
            object["help"] = helpText(verbs);
            return finish(environment, json, object, {});
        }
        environment.console.out << helpText(verbs);
        return toInt(ExitCode::Success);
    }
    if (args.version) {
        writeVersion(environment, json, object);
        return finish(environment, json, object, {});
    }
    Verb* verb = nullptr;
    for (const auto& candidate : verbs) {
        if (candidate->name() == args.verb) {
            verb = candidate.get();
        }
    }
    object["verb"] = args.verb;

    std::unique_ptr<HidPlatform> systemHid;
    HidPlatform* hid = nullptr;
    if (args.simulate) {
        SimulationPlan plan;
        const std::string error = parseSimulation(*args.simulate, plan);
        if (!error.empty()) {
            return finish(environment, json, object, {ExitCode::Usage, error});
        }
        environment.simulation = std::make_unique<SimulatedBus>(plan);
        hid = environment.simulation.get();
    } else if (environment.systemHid) {
        systemHid = environment.systemHid();
        hid = systemHid.get();
    }
    if (hid == nullptr && verb->needsHid()) {
        return finish(environment, json, object,
                      {ExitCode::Failed, "this build has no HID access; use --simulate"});
    }
    if (args.wait && hid != nullptr && !args.repeat) {
        waitForUnit(environment, *hid, args);
    }

    Invocation invocation{args,   environment.console, hid, environment.clock, environment.image,
                          object, environment};
    VerbResult result = verb->execute(invocation);
    if (result.code == ExitCode::NoUnit && systemHid && environment.noUnitHint) {
        const std::string hint = environment.noUnitHint(*systemHid);
        if (!hint.empty()) {
            result.message += "; " + hint;
        }
    }
    return finish(environment, json, object, result);
}

}  // namespace talo::flash
