#pragma once

namespace talo::flash {

// Process exit codes; --help lists them. Stable: scripts depend on the numbers.
enum class ExitCode : int {
    Success = 0,       // verb done (update written, unit ready, units listed)
    Failed = 1,        // the update failed, or no HID access at all
    Usage = 2,         // bad command line
    NoUnit = 3,        // no programming unit found
    NotReady = 4,      // a unit was found, but no compatible controller in its normal mode
    Declined = 5,      // the downgrade question was answered No (or nobody could answer)
    UnitBusy = 6,      // another program is writing the unit; nothing was sent to it
    Interrupted = 130  // Ctrl-C was held back during the write and honoured afterwards
};

constexpr int toInt(ExitCode code) {
    return static_cast<int>(code);
}

}  // namespace talo::flash
