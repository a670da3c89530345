#include "simulation.h"

#include <charconv>
#include <cstdio>

#include "device/commands.h"

namespace talo::flash {
namespace {

constexpr std::uint16_t kForeignVendorId = 0x046D;
constexpr std::uint16_t kForeignFirstProductId = 0xC000;

struct RefusedCommand {
    std::string_view name;
    std::uint8_t command;
};
constexpr RefusedCommand kRefusals[] = {
    {"lock-fails", kCmdSetSystemLock},
    {"unprotect-fails", kCmdSetWriteProtect},
    {"erase-fails", kCmdEraseFirmware},
    {"address-fails", kCmdSetWriteAddress},
};

// A positive decimal number filling all of `digits`.
bool takeNumber(std::string_view digits, std::uint32_t& value) {
    std::uint32_t parsed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc() || end != digits.data() + digits.size() || parsed == 0) {
        return false;
    }
    value = parsed;
    return true;
}

// "name:N" with N a positive decimal number.
bool takeCount(std::string_view token, std::string_view name, std::uint32_t& count) {
    return token.starts_with(name) && token.size() > name.size() && token[name.size()] == ':' &&
           takeNumber(token.substr(name.size() + 1), count);
}

sim::Fault refusal(std::uint8_t command, std::uint32_t occurrence) {
    return sim::Fault{command, sim::FaultKind::ErrorStatus, occurrence, kSimulatedUnitError};
}

std::vector<std::string_view> pieces(std::string_view text) {
    std::vector<std::string_view> result;
    // Every piece between commas counts, so "ready," is refused for its empty piece.
    for (bool more = !text.empty(); more;) {
        const std::size_t comma = text.find(',');
        result.push_back(text.substr(0, comma));
        more = comma != std::string_view::npos;
        text = more ? text.substr(comma + 1) : std::string_view();
    }
    return result;
}

// Applies one unit piece (no @K) to `unit`; false when the piece is unknown.
bool applyToUnit(std::string_view token, UnitPlan& unit, bool& situationGiven, std::string& error) {
    sim::Situation situation{};
    std::uint32_t count = 0;
    if (sim::parseSituation(token, situation) || token == "no-unit") {
        if (situationGiven) {
            error = "--simulate: more than one situation for a unit";
        }
        situationGiven = true;
        unit.situation = token == "no-unit" ? std::nullopt : std::optional(situation);
        return true;
    }
    for (const RefusedCommand& refused : kRefusals) {
        if (token == refused.name) {
            unit.faults.push_back(refusal(refused.command, 1));
            return true;
        }
    }
    if (takeCount(token, "block-fails", count)) {
        unit.faults.push_back(refusal(kCmdWriteBlock, count));
    } else if (takeCount(token, "unplug-at", count)) {
        unit.unplugAtBlock = count;
    } else if (takeCount(token, "arrives-after", count)) {
        unit.arrivalListing = count;
    } else if (token == "leaves-when-written") {
        unit.leavesWhenWritten = true;
    } else {
        return false;
    }
    return true;
}

std::u16string serialOf(std::size_t index) {
    char text[16];
    std::snprintf(text, sizeof text, "SIM%04u", static_cast<unsigned>(index + 1));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::string parseSimulation(std::string_view text, SimulationPlan& plan) {
    plan = SimulationPlan{};
    const std::vector<std::string_view> tokens = pieces(text);
    std::uint32_t unitCount = 1;
    for (const std::string_view token : tokens) {
        if (token.starts_with("units") && !takeCount(token, "units", unitCount)) {
            return "--simulate: '" + std::string(token) + "' needs a count, as in units:3";
        }
    }
    plan.units.assign(unitCount, UnitPlan{});
    std::vector<bool> situationGiven(unitCount, false);

    for (const std::string_view piece : tokens) {
        if (piece.starts_with("units:")) {
            continue;
        }
        std::uint32_t count = 0;
        if (takeCount(piece, "foreign", count)) {
            plan.foreignDevices = count;
            continue;
        }
        std::string_view token = piece;
        std::size_t first = 0;
        std::size_t last = unitCount;
        if (const std::size_t at = piece.find('@'); at != std::string_view::npos) {
            std::uint32_t number = 0;
            if (!takeNumber(piece.substr(at + 1), number) || number > unitCount) {
                return "--simulate: no unit " + std::string(piece.substr(at + 1)) + " in '" +
                       std::string(piece) + "'";
            }
            token = piece.substr(0, at);
            first = number - 1;
            last = number;
        }
        for (std::size_t i = first; i < last; ++i) {
            bool given = situationGiven[i];
            std::string error;
            if (!applyToUnit(token, plan.units[i], given, error)) {
                return "--simulate: unknown situation or fault '" + std::string(token) + "'";
            }
            if (!error.empty()) {
                return error;
            }
            situationGiven[i] = given;
        }
    }
    return {};
}

// A thread's own view of the bus: one device, the bus's lock around every call, and the error
// code of its own last transfer.
class SimulatedUnitView final : public HidPlatform {
  public:
    SimulatedUnitView(SimulatedBus& bus, std::u16string path) : bus_(bus), path_(std::move(path)) {}

    bool listInterfaces(std::vector<std::u16string>& paths) override {
        std::vector<std::u16string> present;
        paths.clear();
        if (!bus_.listPresent(present)) {
            return false;
        }
        for (std::u16string& path : present) {
            if (path == path_) {
                paths.push_back(std::move(path));
            }
        }
        return true;
    }
    HidHandle open(const std::u16string& path) override { return bus_.open(path); }
    void close(HidHandle handle) override { bus_.close(handle); }
    bool attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) override {
        return bus_.attributes(handle, vendorId, productId);
    }
    bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                       std::uint32_t& outputLength) override {
        return bus_.reportLengths(handle, inputLength, outputLength);
    }
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override {
        return bus_.transfer(handle, data, nullptr, length, 0, error_);
    }
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override {
        return bus_.transfer(handle, nullptr, data, length, timeoutMs, error_);
    }
    bool claim(HidHandle handle, UnitClaim kind) override { return bus_.claim(handle, kind); }
    void releaseClaim(HidHandle handle) override { bus_.releaseClaim(handle); }
    bool serialNumber(HidHandle handle, std::u16string& serial) override {
        return bus_.serialNumber(handle, serial);
    }
    std::uint32_t lastError() const override { return error_; }

  private:
    SimulatedBus& bus_;
    std::u16string path_;
    std::uint32_t error_ = 0;
};

SimulatedBus::SimulatedBus(const SimulationPlan& plan) : platform_(clock_) {
    for (std::size_t i = 0; i < plan.foreignDevices; ++i) {
        platform_.addForeignDevice(kForeignVendorId,
                                   static_cast<std::uint16_t>(kForeignFirstProductId + i));
    }
    for (std::size_t index = 0; index < plan.units.size(); ++index) {
        const UnitPlan& planned = plan.units[index];
        if (!planned.situation) {
            continue;
        }
        sim::SimulatedUnit unit = sim::makeUnit(*planned.situation);
        unit.faults.insert(unit.faults.end(), planned.faults.begin(), planned.faults.end());
        unit.disconnectAtWriteBlock = planned.unplugAtBlock;
        unit.serialNumber = serialOf(index);
        const sim::DeviceId id = platform_.addUnit(std::move(unit));
        const bool present = planned.arrivalListing == 0;
        if (!present) {
            platform_.unplug(id);
        }
        units_.push_back(
            {id, index, planned.arrivalListing, planned.leavesWhenWritten, present, false});
    }
}

const sim::SimulatedUnit& SimulatedBus::unit(std::size_t index) const {
    for (const PlannedUnit& planned : units_) {
        if (planned.planIndex == index) {
            return platform_.unit(planned.id);
        }
    }
    return platform_.unit(units_.at(index).id);
}

std::size_t SimulatedBus::pluggedUnits() const {
    const std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const PlannedUnit& planned : units_) {
        count += platform_.isPlugged(planned.id) ? 1u : 0u;
    }
    return count;
}

std::unique_ptr<HidPlatform> SimulatedBus::unitView(const std::u16string& path) {
    return std::make_unique<SimulatedUnitView>(*this, path);
}

bool SimulatedBus::listInterfaces(std::vector<std::u16string>& paths) {
    {
        const std::lock_guard lock(mutex_);
        ++listings_;
        for (PlannedUnit& planned : units_) {
            if (!planned.arrived && listings_ >= planned.arrivalListing) {
                planned.arrived = true;
                platform_.plug(planned.id);
            }
            // Written: the restoring SetSystemLock(0) went out after the blocks.
            const sim::SimulatedUnit& unit = platform_.unit(planned.id);
            const bool written = unit.flash.bytesWritten > 0 && !unit.flash.systemLock;
            if (planned.leavesWhenWritten && !planned.left && written) {
                planned.left = true;
                platform_.unplug(planned.id);
            }
        }
    }
    return listPresent(paths);
}

bool SimulatedBus::listPresent(std::vector<std::u16string>& paths) {
    const std::lock_guard lock(mutex_);
    return platform_.listInterfaces(paths);
}

HidHandle SimulatedBus::open(const std::u16string& path) {
    const std::lock_guard lock(mutex_);
    return platform_.open(path);
}

void SimulatedBus::close(HidHandle handle) {
    const std::lock_guard lock(mutex_);
    platform_.close(handle);
}

bool SimulatedBus::attributes(HidHandle handle, std::uint16_t& vendorId, std::uint16_t& productId) {
    const std::lock_guard lock(mutex_);
    return platform_.attributes(handle, vendorId, productId);
}

bool SimulatedBus::reportLengths(HidHandle handle, std::uint32_t& inputLength,
                                 std::uint32_t& outputLength) {
    const std::lock_guard lock(mutex_);
    return platform_.reportLengths(handle, inputLength, outputLength);
}

bool SimulatedBus::transfer(HidHandle handle, const std::uint8_t* out, std::uint8_t* in,
                            std::size_t length, std::uint32_t timeoutMs, std::uint32_t& error) {
    const std::lock_guard lock(mutex_);
    const bool ok = out != nullptr ? platform_.writeReport(handle, out, length)
                                   : platform_.readReport(handle, in, length, timeoutMs);
    error = platform_.lastError();
    return ok;
}

bool SimulatedBus::writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) {
    return transfer(handle, data, nullptr, length, 0, lastError_);
}

bool SimulatedBus::readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                              std::uint32_t timeoutMs) {
    return transfer(handle, nullptr, data, length, timeoutMs, lastError_);
}

bool SimulatedBus::claim(HidHandle handle, UnitClaim kind) {
    const std::lock_guard lock(mutex_);
    return platform_.claim(handle, kind);
}

void SimulatedBus::releaseClaim(HidHandle handle) {
    const std::lock_guard lock(mutex_);
    platform_.releaseClaim(handle);
}

bool SimulatedBus::serialNumber(HidHandle handle, std::u16string& serial) {
    const std::lock_guard lock(mutex_);
    return platform_.serialNumber(handle, serial);
}

std::uint32_t SimulatedBus::lastError() const {
    return lastError_;
}

}  // namespace talo::flash
