#include "device/session.h"

#include <gtest/gtest.h>

#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_errors.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo {
namespace {

using sim::FaultKind;
using sim::Situation;

class SessionTest : public ::testing::Test {
  protected:
    sim::DeviceId addUnit(Situation situation, std::uint16_t productId = kProductTunePuck) {
        sim::SimulatedUnit unit = sim::makeUnit(situation);
        unit.productId = productId;
        return hid.addUnit(std::move(unit));
    }

    static bool isNoDeviceState(const DeviceSession& s) {
        return !s.isOpen() && !s.devicePath && s.outputReportLength == 0 &&
               s.inputReportLength == 0 && s.unitMode == 0 && s.unitFirmwareVersion == 0 &&
               s.attachedType == 0 && s.productId == 0 &&
               s.controllerInfo == decltype(s.controllerInfo){} &&
               s.controllerIdentity == decltype(s.controllerIdentity){};
    }

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    DeviceLink link{hid, clock};
    DeviceSession session;
};

TEST_F(SessionTest, WithoutAProgrammingUnitTheRecordStaysEmpty) {
    EXPECT_EQ(openSession(link, session), kResultNoProgrammingUnit);
    EXPECT_TRUE(isNoDeviceState(session));

    const auto mouse = hid.addForeignDevice(0x046D, 0xC077);
    const auto stranger = hid.addForeignDevice(makerVendorId(), 3);
    hid.addUnopenableDevice(makerVendorId(), 1);
    hid.addDeviceWithoutAttributes();
    EXPECT_EQ(openSession(link, session), kResultNoProgrammingUnit);
    EXPECT_TRUE(isNoDeviceState(session));
    EXPECT_EQ(hid.openCount(mouse), 1U);
    EXPECT_EQ(hid.openCount(stranger), 1U);
    EXPECT_EQ(hid.totalOpenHandles(), 0U);

    hid.setListingFails(true);
    EXPECT_EQ(openSession(link, session), kResultNoUnit);
    EXPECT_TRUE(isNoDeviceState(session));
}

TEST_F(SessionTest, FirstUnitInEnumerationOrderIsTakenAndOthersAreClosed) {
    const auto mouse = hid.addForeignDevice(0x046D, 0xC077);
    sim::SimulatedUnit productThree = sim::makeUnit(Situation::Ready);
    productThree.productId = 3;
    const auto third = hid.addUnit(productThree);
    const auto first = addUnit(Situation::Ready, kProductTuneCard);
    const auto second = addUnit(Situation::Ready);

    EXPECT_EQ(openSession(link, session), 0);
    EXPECT_EQ(session.devicePath, hid.path(first));
    EXPECT_EQ(session.productId, kProductTuneCard);
    EXPECT_EQ(hid.openHandles(first), 1U);
    EXPECT_EQ(hid.closeCount(mouse), 1U);
    EXPECT_EQ(hid.closeCount(third), 1U);
    EXPECT_TRUE(hid.unit(third).requests.empty());
    EXPECT_EQ(hid.openAttempts(second), 0U);
    EXPECT_EQ(hid.totalOpenHandles(), 1U);

    closeSession(link, session);
    EXPECT_TRUE(isNoDeviceState(session));
    EXPECT_EQ(hid.totalOpenHandles(), 0U);
    EXPECT_EQ(hid.invalidCloseCount(), 0U);
}

TEST_F(SessionTest, NormalModeReadsTheControllerBlocks) {
    const auto id = addUnit(Situation::Ready);
    EXPECT_EQ(openSession(link, session), 0);
    const sim::SimulatedUnit& unit = hid.unit(id);
    EXPECT_EQ(unit.deliveredCommands(),
              (std::vector<std::uint8_t>{kCmdIdentify, kCmdReadControllerInfo,
                                         kCmdReadControllerIdentity}));
    EXPECT_EQ(session.unitMode, 0);
    EXPECT_EQ(session.attachedType, 3);
    EXPECT_EQ(session.unitFirmwareVersion, sim::kUnitVersion);
    EXPECT_EQ(session.outputReportLength, unit.outputReportLength);
    EXPECT_EQ(session.inputReportLength, unit.inputReportLength);
    EXPECT_EQ(session.controllerFirmwareVersion(), sim::kOlderControllerVersion);
    EXPECT_EQ(session.controllerTypeCode(), sim::kSupportedTypeCode);
    EXPECT_EQ(session.controllerBootloaderVersion(), sim::kControllerBootloaderVersion);
    EXPECT_EQ(session.controllerInfo, unit.controllerInfo);
    EXPECT_EQ(session.controllerIdentity, unit.controllerIdentity);
}

TEST_F(SessionTest, BootloaderModeTakesTheUnitVersionFromItsMemory) {
    sim::SimulatedUnit unit = sim::makeUnit(Situation::Bootloader);
    unit.unitFirmwareVersion = 0x0BADBEEF;  // what Identify would say in normal mode
    unit.bootInfoA = 0xA1;
    unit.bootInfoB = 0xB2B1;
    unit.bootInfoC = 0xC4C3C2C1;
    unit.bootInfoD = 0xD4D3D2D1;
    unit.bootInfoE = 0xE1;
    const auto id = hid.addUnit(unit);
    EXPECT_EQ(openSession(link, session), 0);
    EXPECT_EQ(hid.unit(id).deliveredCommands(),
              (std::vector<std::uint8_t>{kCmdIdentify, kCmdReadUnitMemory}));
    EXPECT_NE(session.unitMode, 0);
    EXPECT_EQ(session.unitFirmwareVersion, sim::kBootloaderUnitVersion);
    EXPECT_EQ(session.attachedType, 0);
    EXPECT_EQ(session.bootInfoA, 0xA1);
    EXPECT_EQ(session.bootInfoB, 0xB2B1);
    EXPECT_EQ(session.bootInfoC, 0xC4C3C2C1U);
    EXPECT_EQ(session.bootInfoD, 0xD4D3D2D1U);
    EXPECT_EQ(session.bootInfoE, 0xE1);
    EXPECT_EQ(session.controllerInfo, decltype(session.controllerInfo){});
}

TEST_F(SessionTest, WithoutAControllerNothingMoreIsRead) {
    const auto id = addUnit(Situation::NoController);
    EXPECT_EQ(openSession(link, session), 0);
    EXPECT_EQ(hid.unit(id).deliveredCommands(), std::vector<std::uint8_t>{kCmdIdentify});
    EXPECT_EQ(session.controllerFirmwareVersion(), 0);  // not 0xFFFF: nothing was read
}

TEST_F(SessionTest, FailedIdentificationKeepsTheUnitOpenWithWhatWasRead) {
    struct Case {
        const char* name;
        Situation situation;
        std::uint8_t command;
        FaultKind kind;
        std::int32_t result;
    };
    const Case cases[] = {
        {"identify write", Situation::Ready, kCmdIdentify, FaultKind::WriteFails, -2},
        {"identify read", Situation::Ready, kCmdIdentify, FaultKind::ReadFails, -3},
        {"identify silent", Situation::Ready, kCmdIdentify, FaultKind::NoAnswer, -3},
        {"unit memory write", Situation::Bootloader, kCmdReadUnitMemory, FaultKind::WriteFails, -1},
        {"controller info", Situation::Ready, kCmdReadControllerInfo, FaultKind::ErrorStatus,
         0x0123},
        {"controller identity", Situation::Ready, kCmdReadControllerIdentity,
         FaultKind::ErrorStatus, 0x0123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulatedUnit unit = sim::makeUnit(c.situation);
        unit.injectFault(c.command, c.kind, 0, 0x00450123);  // only the low 16 bits count here
        const auto id = hid.addUnit(unit);
        EXPECT_EQ(openSession(link, session), c.result);
        EXPECT_EQ(session.devicePath, hid.path(id));
        EXPECT_EQ(hid.openHandles(id), 1U);
        EXPECT_EQ(session.outputReportLength, 65U);
        const bool identified = c.command != kCmdIdentify;
        EXPECT_EQ(session.unitMode != 0, c.situation == Situation::Bootloader);
        EXPECT_EQ(session.attachedType, identified && c.situation == Situation::Ready ? 3 : 0);
        EXPECT_EQ(session.unitFirmwareVersion,
                  identified && c.situation == Situation::Ready ? sim::kUnitVersion : 0U);
        EXPECT_EQ(session.controllerFirmwareVersion(),
                  c.command == kCmdReadControllerIdentity ? sim::kOlderControllerVersion : 0);
        EXPECT_EQ(session.controllerTypeCode(), 0U);
        if (c.kind == FaultKind::NoAnswer) {
            EXPECT_EQ(hid.lastError(), sim::kErrorTimeout);
        }
        closeSession(link, session);
        hid.unplug(id);
    }
}

TEST_F(SessionTest, UnitsWithUnusableReportLengthsAreRefusedBeforeAnyRequest) {
    const std::pair<std::uint32_t, std::uint32_t> lengths[] = {{59, 65}, {65, 43}, {4097, 65}};
    for (const auto& [output, input] : lengths) {
        sim::SimulatedUnit unit = sim::makeUnit(Situation::Ready);
        unit.outputReportLength = output;
        unit.inputReportLength = input;
        const auto id = hid.addUnit(unit);
        EXPECT_EQ(openSession(link, session), kResultNoUnit);
        EXPECT_TRUE(session.isOpen());
        EXPECT_TRUE(hid.unit(id).requests.empty());
        closeSession(link, session);
        hid.unplug(id);
    }
    sim::SimulatedUnit smallest = sim::makeUnit(Situation::Ready);
    smallest.outputReportLength = 60;
    smallest.inputReportLength = 44;
    hid.addUnit(smallest);
    EXPECT_EQ(openSession(link, session), 0);
    EXPECT_EQ(session.controllerTypeCode(), sim::kSupportedTypeCode);
}

TEST_F(SessionTest, OpeningAgainClosesTheOpenUnitFirst) {
    const auto id = addUnit(Situation::Ready);
    ASSERT_EQ(openSession(link, session), 0);
    const HidHandle first = session.handle;
    ASSERT_EQ(openSession(link, session), 0);
    EXPECT_NE(session.handle, first);
    EXPECT_EQ(hid.openCount(id), 2U);
    EXPECT_EQ(hid.openHandles(id), 1U);

    closeSession(link, session);
    closeSession(link, session);  // closing an empty record closes nothing
    EXPECT_EQ(hid.closeCount(id), 2U);
    EXPECT_EQ(hid.invalidCloseCount(), 0U);
    EXPECT_TRUE(isNoDeviceState(session));
}

// A unit another program is writing gets not a single report; otherwise identification runs
// under a shared claim that ends with it, so the unit is free for a writer afterwards.
TEST_F(SessionTest, ClaimedUnitIsPassedOverWithoutAWordAndIdentifyingClaimsOnlyBriefly) {
    const auto unit = addUnit(Situation::Ready);
    hid.setClaimedElsewhere(unit, true);
    EXPECT_EQ(openSession(link, session), kResultUnitBusy);
    EXPECT_TRUE(isNoDeviceState(session));
    EXPECT_TRUE(hid.unit(unit).requests.empty());
    EXPECT_EQ(hid.totalOpenHandles(), 0U);

    hid.setClaimedElsewhere(unit, false);
    EXPECT_EQ(openSession(link, session), kResultOk);
    EXPECT_FALSE(hid.claimOf(session.handle).has_value());
    EXPECT_TRUE(hid.claim(session.handle, UnitClaim::Exclusive));
}

}  // namespace
}  // namespace talo
