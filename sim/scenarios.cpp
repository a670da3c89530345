#include "sim/scenarios.h"

#include <array>
#include <numeric>
#include <utility>

namespace talo::sim {
namespace {

constexpr std::array<std::pair<std::string_view, Situation>, 5> kNames{{
    {"ready", Situation::Ready},
    {"downgrade", Situation::Downgrade},
    {"bootloader", Situation::Bootloader},
    {"no-controller", Situation::NoController},
    {"incompatible", Situation::Incompatible},
}};

SimulatedUnit readyUnit() {
    SimulatedUnit unit;
    unit.productId = 1;
    unit.unitMode = 0;
    unit.attachedType = 3;
    unit.attachedDetail = 0x0001;
    unit.unitFirmwareVersion = kUnitVersion;
    unit.unitInfoWord = 0x00002A17;
    unit.setUnitMemoryVersion(kUnitVersion, 0x00002A17);
    // Recognisable filler in the bytes nobody interprets, so a copy shifted by one shows.
    std::iota(unit.controllerInfo.begin(), unit.controllerInfo.end(), std::uint8_t{0xA0});
    std::iota(unit.controllerIdentity.begin(), unit.controllerIdentity.end(), std::uint8_t{0x40});
    unit.setControllerFirmwareVersion(kOlderControllerVersion);
    unit.setControllerTypeCode(kSupportedTypeCode);
    unit.setControllerBootloaderVersion(kControllerBootloaderVersion);
    return unit;
}

}  // namespace

SimulatedUnit makeUnit(Situation situation) {
    SimulatedUnit unit = readyUnit();
    switch (situation) {
        case Situation::Ready:
            break;
        case Situation::Downgrade:
            unit.setControllerFirmwareVersion(kNewerControllerVersion);
            break;
        case Situation::Bootloader:
            unit.unitMode = 1;
            unit.attachedType = 0;
            unit.attachedDetail = 0;
            unit.bootInfoA = 0x11;
            unit.bootInfoB = 0x2233;
            unit.bootInfoC = 0x44556677;
            unit.bootInfoD = 0x8899AABB;
            unit.bootInfoE = 0xCC;
            unit.setUnitMemoryVersion(kBootloaderUnitVersion, 0x00002A17);
            break;
        case Situation::NoController:
            unit.attachedType = 0;
            unit.attachedDetail = 0;
            break;
        case Situation::Incompatible:
            unit.setControllerTypeCode(kForeignTypeCode);
            break;
    }
    return unit;
}

bool parseSituation(std::string_view text, Situation& situation) {
    for (const auto& [name, value] : kNames) {
        if (name == text) {
            situation = value;
            return true;
        }
    }
    return false;
}

std::string_view situationName(Situation situation) {
    for (const auto& [name, value] : kNames) {
        if (value == situation) {
            return name;
        }
    }
    return {};
}

}  // namespace talo::sim
