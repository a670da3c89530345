#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "cli_args.h"
#include "console.h"
#include "device/clock.h"
#include "device/hid_platform.h"
#include "exit_codes.h"
#include "json_writer.h"
#include "update/updater_context.h"

namespace talo::flash {

// Everything a verb works with. With --json the verb adds its fields to `json`, an object the
// caller has opened and closes; otherwise it prints for people on the console.
struct Invocation {
    const CliArgs& args;
    Console& console;
    HidPlatform& hid;
    Clock& clock;
    FirmwareImage image;
    JsonWriter& json;
};

// How a verb ended: the exit code and, for anything but success, one line saying why. The
// caller turns it into output in one place.
struct VerbResult {
    ExitCode code = ExitCode::Success;
    std::string message;
};

class Verb {
  public:
    virtual ~Verb() = default;
    virtual std::string_view name() const = 0;
    virtual std::string_view help() const = 0;
    virtual VerbResult execute(Invocation& invocation) = 0;
};

std::unique_ptr<Verb> makeListVerb();
std::unique_ptr<Verb> makeInfoVerb();
std::unique_ptr<Verb> makeUpdateVerb();

}  // namespace talo::flash
