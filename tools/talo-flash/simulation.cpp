#include "simulation.h"

#include <charconv>

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

// "name:N" with N a positive decimal number.
bool takeCount(std::string_view token, std::string_view name, std::uint32_t& count) {
    if (!token.starts_with(name) || token.size() <= name.size() || token[name.size()] != ':') {
        return false;
    }
    const std::string_view digits = token.substr(name.size() + 1);
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value == 0) {
        return false;
    }
    count = value;
    return true;
}

sim::Fault refusal(std::uint8_t command, std::uint32_t occurrence) {
    return sim::Fault{command, sim::FaultKind::ErrorStatus, occurrence, kSimulatedUnitError};
}

}  // namespace

std::string parseSimulation(std::string_view text, SimulationPlan& plan) {
    plan = SimulationPlan{};
    bool situationGiven = false;
    if (text.empty()) {
        return {};
    }
    // Every piece between commas counts, so "ready," is refused for its empty piece.
    for (bool more = true; more;) {
        const std::size_t comma = text.find(',');
        const std::string_view token = text.substr(0, comma);
        more = comma != std::string_view::npos;
        text = more ? text.substr(comma + 1) : std::string_view();

        sim::Situation situation{};
        std::uint32_t count = 0;
        bool known = false;
        if (sim::parseSituation(token, situation) || token == "no-unit") {
            if (situationGiven) {
                return "--simulate: more than one situation";
            }
            situationGiven = true;
            plan.situation = token == "no-unit" ? std::nullopt : std::optional(situation);
            known = true;
        }
        for (const RefusedCommand& refused : kRefusals) {
            if (token == refused.name) {
                plan.faults.push_back(refusal(refused.command, 1));
                known = true;
            }
        }
        if (takeCount(token, "block-fails", count)) {
            plan.faults.push_back(refusal(kCmdWriteBlock, count));
            known = true;
        } else if (takeCount(token, "unplug-at", count)) {
            plan.unplugAtBlock = count;
            known = true;
        } else if (takeCount(token, "foreign", count)) {
            plan.foreignDevices = count;
            known = true;
        } else if (takeCount(token, "arrives-after", count)) {
            plan.arrivalListing = count;
            known = true;
        }
        if (!known) {
            return "--simulate: unknown situation or fault '" + std::string(token) + "'";
        }
    }
    return {};
}

SimulatedBus::SimulatedBus(Clock& clock, std::uint32_t arrivalListing)
    : platform_(clock), arrivalListing_(arrivalListing) {}

void SimulatedBus::setUnit(sim::DeviceId id) {
    unit_ = id;
    if (arrivalListing_ > 0) {
        platform_.unplug(id);
    }
}

bool SimulatedBus::listInterfaces(std::vector<std::u16string>& paths) {
    if (unit_ && ++listings_ == arrivalListing_) {
        platform_.plug(*unit_);
    }
    return platform_.listInterfaces(paths);
}

std::unique_ptr<SimulatedBus> buildSimulation(const SimulationPlan& plan, Clock& clock) {
    auto bus = std::make_unique<SimulatedBus>(clock, plan.arrivalListing);
    sim::SimHidPlatform& platform = bus->platform();
    for (std::size_t i = 0; i < plan.foreignDevices; ++i) {
        platform.addForeignDevice(kForeignVendorId,
                                  static_cast<std::uint16_t>(kForeignFirstProductId + i));
    }
    if (plan.situation) {
        sim::SimulatedUnit unit = sim::makeUnit(*plan.situation);
        unit.faults.insert(unit.faults.end(), plan.faults.begin(), plan.faults.end());
        unit.disconnectAtWriteBlock = plan.unplugAtBlock;
        bus->setUnit(platform.addUnit(std::move(unit)));
    }
    return bus;
}

}  // namespace talo::flash
