#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "device/clock.h"
#include "device/hid_platform.h"
#include "exit_codes.h"
#include "json_output.h"
#include "update/updater_context.h"

namespace talo::flash {

struct Environment;

// Everything a verb works with. With --json the verb adds its members to `json`, an object
// the caller prints as one line (update prints its own JSON Lines instead); otherwise it
// prints for people on the console.
struct Invocation {
    const CliArgs& args;
    Console& console;
    HidPlatform* hid;  // the system's or the simulated HID stack; null for verbs needing none
    Clock& clock;
    FirmwareImage image;
    Json& json;
    Environment& environment;
};

// How a verb ended: the exit code and, for anything but success, one line saying why. The
// caller turns it into output in one place.
struct VerbResult {
    ExitCode code = ExitCode::Success;
    std::string message;
    bool printed = false;  // the verb already put its result into its own JSON Lines
    int signalExit = 0;    // nonzero: exit with this code instead (a held-back signal)
};

class Verb {
  public:
    virtual ~Verb() = default;
    virtual std::string_view name() const = 0;
    virtual std::string_view help() const = 0;
    virtual bool needsHid() const { return true; }
    virtual VerbResult execute(Invocation& invocation) = 0;
};

std::unique_ptr<Verb> makeListVerb();
std::unique_ptr<Verb> makeInfoVerb();
std::unique_ptr<Verb> makeUpdateVerb();
std::unique_ptr<Verb> makeHistoryVerb();

}  // namespace talo::flash
