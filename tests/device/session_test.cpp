#include "device/session.h"

#include <gtest/gtest.h>

#include "device/byte_order.h"
#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo {
namespace {

using sim::FaultKind;
using sim::Situation;

class SessionTest : public ::testing::Test {
  protected:
    // Adds a unit as the only device present, unless `alone` is false.
    sim::DeviceId addUnit(sim::SimulatedUnit unit, bool alone = true) {
        for (sim::DeviceId id = 0; alone && id < hid.deviceCount(); ++id) {
            hid.unplug(id);
        }
        return hid.addUnit(std::move(unit));
    }
    sim::DeviceId addUnit(Situation situation, std::uint16_t productId) {
        sim::SimulatedUnit unit = sim::makeUnit(situation);
        unit.productId = productId;
        return addUnit(unit, false);
    }
    bool isNoDeviceState() const {
        return !session.isOpen() && !session.devicePath && session.outputReportLength == 0 &&
               session.productId == 0 && session.attachedType == 0;
    }

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    DeviceLink link{hid, clock};
    DeviceSession session;
};

TEST_F(SessionTest, TakesTheFirstProgrammingUnitInEnumerationOrderAndClosesTheRest) {
    const auto mouse = hid.addForeignDevice(0x046D, 0xC077);
    hid.addForeignDevice(makerVendorId(), 3);
    hid.addUnopenableDevice(makerVendorId(), kProductTunePuck);
    hid.addDeviceWithoutAttributes();
    EXPECT_EQ(openSession(link, session), kResultNoProgrammingUnit);
    EXPECT_TRUE(isNoDeviceState());
    EXPECT_EQ(hid.openCount(mouse), 1U);
    EXPECT_EQ(hid.totalOpenHandles(), 0U);

    const auto productThree = addUnit(Situation::Ready, 3);
    const auto first = addUnit(Situation::Ready, kProductTuneCard);
    const auto second = addUnit(Situation::Ready, kProductTunePuck);
    EXPECT_EQ(openSession(link, session), kResultOk);
    EXPECT_EQ(session.devicePath, hid.path(first));
    EXPECT_EQ(session.productId, kProductTuneCard);
    EXPECT_TRUE(hid.unit(productThree).requests.empty());
    EXPECT_EQ(hid.openAttempts(second), 0U);
    EXPECT_EQ(hid.totalOpenHandles(), 1U);

    // Opening again closes the open unit first, also when nothing can be listed.
    const HidHandle before = session.handle;
    EXPECT_EQ(openSession(link, session), kResultOk);
    EXPECT_NE(session.handle, before);
    EXPECT_EQ(hid.openHandles(first), 1U);
    hid.setListingFails(true);
    EXPECT_EQ(openSession(link, session), kResultNoUnit);
    EXPECT_TRUE(isNoDeviceState());
    closeSession(link, session);  // closing an empty record closes nothing
    EXPECT_EQ(hid.totalOpenHandles(), 0U);
    EXPECT_EQ(hid.invalidCloseCount(), 0U);
}

// The record holds what the unit reported; a controller's blocks are read only in the mode
// that links to one, and only when one is attached.
TEST_F(SessionTest, IdentificationReadsWhatTheModeOffers) {
    const std::pair<Situation, std::vector<std::uint8_t>> cases[] = {
        {Situation::Ready, {kCmdIdentify, kCmdReadControllerInfo, kCmdReadControllerIdentity}},
        {Situation::NoController, {kCmdIdentify}},
        {Situation::Bootloader, {kCmdIdentify, kCmdReadUnitMemory}},
    };
    const auto boot = [](const auto& x) {
        return std::tuple(x.bootInfoA, x.bootInfoB, x.bootInfoC, x.bootInfoD, x.bootInfoE);
    };
    for (const auto& [situation, commands] : cases) {
        SCOPED_TRACE(sim::situationName(situation));
        const sim::SimulatedUnit& unit = hid.unit(addUnit(sim::makeUnit(situation)));
        EXPECT_EQ(openSession(link, session), kResultOk);
        EXPECT_EQ(unit.deliveredCommands(), commands);
        EXPECT_EQ(session.outputReportLength, unit.outputReportLength);
        EXPECT_EQ(session.inputReportLength, unit.inputReportLength);
        EXPECT_EQ(session.unitMode, unit.unitMode);
        const bool bootloader = unit.unitMode != 0;
        EXPECT_EQ(session.unitFirmwareVersion,
                  bootloader ? readLe32(&unit.unitMemory[4]) : unit.unitFirmwareVersion);
        EXPECT_EQ(session.unitInfoWord, unit.unitInfoWord);
        EXPECT_EQ(session.attachedType, unit.attachedType);
        EXPECT_EQ(session.attachedDetail, unit.attachedDetail);
        EXPECT_EQ(boot(session), boot(bootloader ? unit : sim::SimulatedUnit{}));
        const bool controller = commands.size() == 3;
        EXPECT_EQ(session.controllerInfo, controller ? unit.controllerInfo : ControllerInfoBlock{});
        EXPECT_EQ(session.controllerIdentity,
                  controller ? unit.controllerIdentity : ControllerIdentityBlock{});
    }
    EXPECT_NE(session.unitFirmwareVersion, sim::kUnitVersion);  // the bootloader's own
}

struct IdentifyFailure {
    Situation situation;
    std::uint8_t command;
    FaultKind kind;
    std::int32_t result;
};

// The unit stays open with what was read before the failing step.
TEST_F(SessionTest, FailedIdentificationReportsTheFailingStep) {
    const IdentifyFailure cases[] = {
        {Situation::Ready, kCmdIdentify, FaultKind::WriteFails, kResultWriteFailed},
        {Situation::Ready, kCmdIdentify, FaultKind::NoAnswer, kResultReadFailed},
        {Situation::Bootloader, kCmdReadUnitMemory, FaultKind::WriteFails, kResultNoUnit},
        {Situation::Ready, kCmdReadControllerInfo, FaultKind::ErrorStatus, 0x0123},
        {Situation::Ready, kCmdReadControllerIdentity, FaultKind::ErrorStatus, 0x0123},
    };
    for (const IdentifyFailure& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.command} << " " << int(c.kind));
        sim::SimulatedUnit unit = sim::makeUnit(c.situation);
        unit.injectFault(c.command, c.kind, 0, 0x00450123);  // 16 bits of it count here
        const auto id = addUnit(unit);
        EXPECT_EQ(openSession(link, session), c.result);
        EXPECT_EQ(session.devicePath, hid.path(id));
        EXPECT_EQ(hid.openHandles(id), 1U);
        EXPECT_EQ(session.unitMode != 0, c.situation == Situation::Bootloader);
        const bool identifiedNormally =
            c.situation == Situation::Ready && c.command != kCmdIdentify;
        EXPECT_EQ(session.unitFirmwareVersion != 0, identifiedNormally);
        EXPECT_EQ(session.controllerFirmwareVersion() != 0,
                  c.command == kCmdReadControllerIdentity);
        EXPECT_EQ(session.controllerTypeCode(), 0U);
    }
}

TEST_F(SessionTest, UnitsWithUnusableReportLengthsAreRefusedBeforeAnyRequest) {
    struct Lengths {
        std::uint32_t output;
        std::uint32_t input;
        std::int32_t result;
    };
    for (const Lengths& c : {Lengths{59, 65, kResultNoUnit},
                             {65, 43, kResultNoUnit},
                             {4097, 65, kResultNoUnit},
                             {65, 4097, kResultNoUnit},
                             {60, 44, kResultOk},
                             {4096, 4096, kResultOk}}) {
        SCOPED_TRACE(::testing::Message() << c.output << "/" << c.input);
        sim::SimulatedUnit unit = sim::makeUnit(Situation::Ready);
        unit.outputReportLength = c.output;
        unit.inputReportLength = c.input;
        const auto id = addUnit(unit);
        EXPECT_EQ(openSession(link, session), c.result);
        EXPECT_TRUE(session.isOpen());
        EXPECT_EQ(hid.unit(id).requests.empty(), c.result != kResultOk);
        EXPECT_EQ(session.controllerIdentity,
                  c.result == kResultOk ? unit.controllerIdentity : ControllerIdentityBlock{});
    }
}

// A unit another program is writing gets not a single report; otherwise identification runs
// under a shared claim that ends with it, so the unit is free for a writer afterwards.
TEST_F(SessionTest, ClaimedUnitIsPassedOverWithoutAWordAndIdentifyingClaimsOnlyBriefly) {
    const auto unit = addUnit(sim::makeUnit(Situation::Ready));
    hid.setClaimedElsewhere(unit, true);
    EXPECT_EQ(openSession(link, session), kResultUnitBusy);
    EXPECT_TRUE(isNoDeviceState());
    EXPECT_TRUE(hid.unit(unit).requests.empty());
    EXPECT_EQ(hid.totalOpenHandles(), 0U);

    hid.setClaimedElsewhere(unit, false);
    EXPECT_EQ(openSession(link, session), kResultOk);
    EXPECT_FALSE(hid.claimOf(session.handle).has_value());
    EXPECT_TRUE(hid.claim(session.handle, UnitClaim::Exclusive));
}

}  // namespace
}  // namespace talo
