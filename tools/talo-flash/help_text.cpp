#include "help_text.h"

namespace talo::flash {

std::string usageLine() {
    return "usage: talo-flash [options] list|info|update";
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
        "  --wait              wait until a programming unit is plugged in\n"
        "  --yes, -y           answer the downgrade question with yes\n"
        "                      (without --yes and without a terminal the answer is no)\n"
        "  --json              print one JSON object on stdout\n"
        "  --simulate[=PLAN]   use the built-in simulated unit instead of USB\n"
        "  --version           the tool's version, the carried image's version and SHA-256\n"
        "  --help, -h          this text\n"
        "\nPLAN is a comma-separated list of one situation\n"
        "  ready (default), downgrade, bootloader, no-controller, incompatible, no-unit\n"
        "and faults: lock-fails, unprotect-fails, erase-fails, address-fails,\n"
        "  block-fails:N (block N refused), unplug-at:N (unplugged at block N),\n"
        "  foreign:N (N other HID devices listed before the unit),\n"
        "  arrives-after:N (the unit appears at the N-th look at the device list)\n"
        "\nExit codes:\n"
        "  0    success (update written, unit ready, units listed)\n"
        "  1    the update failed (or no HID access)\n"
        "  2    bad command line\n"
        "  3    no programming unit found\n"
        "  4    unit found but not ready (wrong mode, no or incompatible controller)\n"
        "  5    downgrade declined, nothing written\n"
        "  6    the unit is being written by another program; nothing was sent to it\n"
        "  130  Ctrl-C during the update, honoured after it had ended\n"
        "\nCtrl-C during the update is held back until the update has ended: stopping it\n"
        "would leave the controller without firmware.\n";
    return text;
}

}  // namespace talo::flash
