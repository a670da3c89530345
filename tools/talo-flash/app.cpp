#include "app.h"

#include <array>

#include "cli_args.h"
#include "exit_codes.h"
#include "help_text.h"
#include "json_writer.h"
#include "sha256.h"
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
    return verbs;
}

// The one place where a result becomes output and an exit code.
int finish(Environment& environment, bool json, JsonWriter& object, const VerbResult& result) {
    Console& console = environment.console;
    if (json) {
        if (!result.message.empty()) {
            object.key("error").value(result.message);
        }
        object.key("exitCode").value(std::int64_t{toInt(result.code)}).endObject();
        console.out << object.text() << '\n' << std::flush;
    } else if (!result.message.empty()) {
        console.err << "talo-flash: " << result.message << '\n' << std::flush;
    }
    return toInt(result.code);
}

void writeVersion(Environment& environment, bool json, JsonWriter& object) {
    const FirmwareImage& image = environment.image;
    const std::string digest = toHex(sha256(image.data, image.size));
    const std::string imageVersion =
        std::to_string(kImageVersion >> 8) + "." + std::to_string(kImageVersion & 0xFF);
    if (json) {
        object.key("version").value(TALO_FLASH_VERSION);
        object.key("imageVersion").value(imageVersion);
        object.key("imageBytes").value(static_cast<std::int64_t>(image.size));
        object.key("imageSha256").value(digest);
        return;
    }
    environment.console.out << "talo-flash " << TALO_FLASH_VERSION << '\n'
                            << "firmware image " << imageVersion << ", " << image.size << " bytes\n"
                            << "sha256 " << digest << '\n';
}

// Polls the device list until a programming unit is present.
void waitForUnit(Environment& environment, HidPlatform& hid, bool json) {
    if (unitPresent(hid)) {
        return;
    }
    if (!json) {
        environment.console.err << "waiting for a programming unit ...\n" << std::flush;
    }
    while (!unitPresent(hid)) {
        environment.clock.sleepMs(environment.waitPollMs);
    }
}

}  // namespace

int runTool(const std::vector<std::string>& arguments, Environment& environment) {
    const ParseResult parsed = parseArguments(arguments);
    const CliArgs& args = parsed.args;
    const bool json = args.json;
    JsonWriter object;
    object.beginObject();
    const auto verbs = allVerbs();

    if (!parsed.error.empty()) {
        if (!json) {
            environment.console.err << usageLine() << '\n';
        }
        return finish(environment, json, object, {ExitCode::Usage, parsed.error});
    }
    if (args.help) {
        environment.console.out << helpText(verbs);
        return toInt(ExitCode::Success);
    }
    if (args.version) {
        writeVersion(environment, json, object);
        return finish(environment, json, object, {});
    }

    std::unique_ptr<HidPlatform> systemHid;
    HidPlatform* hid = nullptr;
    if (args.simulate) {
        SimulationPlan plan;
        const std::string error = parseSimulation(*args.simulate, plan);
        if (!error.empty()) {
            return finish(environment, json, object, {ExitCode::Usage, error});
        }
        environment.simulation = buildSimulation(plan, environment.clock);
        hid = environment.simulation.get();
    } else if (environment.systemHid) {
        systemHid = environment.systemHid();
        hid = systemHid.get();
    }
    if (hid == nullptr) {
        return finish(environment, json, object,
                      {ExitCode::Failed, "this build has no HID access; use --simulate"});
    }
    if (args.wait) {
        waitForUnit(environment, *hid, json);
    }

    object.key("verb").value(args.verb);
    for (const auto& verb : verbs) {
        if (verb->name() == args.verb) {
            Invocation invocation{
                args, environment.console, *hid, environment.clock, environment.image, object};
            VerbResult result = verb->execute(invocation);
            if (result.code == ExitCode::NoUnit && systemHid && environment.noUnitHint) {
                const std::string hint = environment.noUnitHint(*systemHid);
                if (!hint.empty()) {
                    result.message += "; " + hint;
                }
            }
            return finish(environment, json, object, result);
        }
    }
    return finish(environment, json, object, {ExitCode::Usage, "unknown verb"});
}

}  // namespace talo::flash
