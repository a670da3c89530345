#include "help_text.h"

namespace talo::flash {

std::string usageLine() {
    return "usage: talo-flash [options] list|info|update|history";
}

std::string helpText(const std::vector<std::unique_ptr<Verb>>& verbs) {
    std::string text = usageLine() + "\n\nVerbs:\n";
    for (const auto& verb : verbs) {
        std::string name(verb->name());
        name.resize(10, ' ');
        text += "  " + name + std::string(verb->help()) + "\n";
    }
    text +=
        "\nOptions:\n"
        "  --unit ID           info and update use the unit with this id (list shows the\n"
        "                      ids: the USB serial number, or the device path)\n"
        "  --all               update every ready unit at once, each on its own\n"
        "  --wait              wait until a programming unit is plugged in\n"
        "  --repeat            with update --wait: station mode; write each unit that\n"
        "                      arrives ready, wait for its removal, go on until Ctrl-C\n"
        "                      (never a downgrade without --yes)\n"
        "  --yes, -y           answer the downgrade question with yes\n"
        "                      (without --yes and without a terminal the answer is no)\n"
        "  --json              print JSON only on stdout: one object, or for update one\n"
        "                      event per line (see docs/talo-flash-json.md)\n"
        "  --last N            history: only the newest N records\n"
        "  --simulate[=PLAN]   use built-in simulated units instead of USB\n"
        "  --version           the tool's version, the carried image's version and SHA-256\n"
        "  --help, -h          this text\n"
        "\nPLAN is a comma-separated list: units:N (N units, serial numbers SIM0001 on),\n"
        "one situation per unit\n"
        "  ready (default), downgrade, bootloader, no-controller, incompatible, no-unit\n"
        "and faults: lock-fails, unprotect-fails, erase-fails, address-fails,\n"
        "  block-fails:N (block N refused), unplug-at:N (unplugged at block N),\n"
        "  arrives-after:N (the unit appears at the N-th look at the device list),\n"
        "  leaves-when-written (unplugged at the next look after its write),\n"
        "  foreign:N (N other HID devices listed before the units).\n"
        "A piece ending in @K applies to unit K only, e.g. units:3,block-fails:200@2\n"
        "\nExit codes:\n"
        "  0    success (update written, unit ready, units listed); with --all: every\n"
        "       ready unit that was not declined is written\n"
        "  1    the update failed, with --all on any unit (or no HID access)\n"
        "  2    bad command line\n"
        "  3    no programming unit found\n"
        "  4    unit found but not ready (wrong mode, no or incompatible controller);\n"
        "       with --all: no unit ready\n"
        "  5    downgrade declined, nothing written; with --all: every ready unit declined\n"
        "  6    the unit is being written by another program; nothing was sent to it\n"
        "  130  Ctrl-C during the update, honoured after it had ended\n"
        "  129, 131, 143  SIGHUP, SIGQUIT, SIGTERM during the update, likewise\n"
        "\nCtrl-C, a closed terminal (SIGHUP), SIGTERM, SIGQUIT and Ctrl-Z during an update are\n"
        "held back until every running update has ended: stopping one would leave the\n"
        "controller without firmware. Ctrl-Z then suspends talo-flash.\n"
        "\nEvery write attempt is recorded in the history file\n"
        "  $XDG_STATE_HOME/talo-updater/history.jsonl (Linux, default ~/.local/state/...)\n"
        "  %LOCALAPPDATA%\\talo-updater\\history.jsonl (Windows)\n";
    return text;
}

}  // namespace talo::flash
