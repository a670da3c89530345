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
    hid.addForeignDevice(0x046D, 0xC077);
    hid.addUnopenableDevice(makerVendorId(), kProductTunePuck);
    hid.addDeviceWithoutAttributes();
    EXPECT_EQ(openSession(link, session), kResultNoProgrammingUnit);
    EXPECT_TRUE(isNoDeviceState());

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
    EXPECT_EQ(openSession(link, session), kResultOk);
    hid.setListingFails(true);
    EXPECT_EQ(openSession(link, session), kResultNoUnit);
    EXPECT_TRUE(isNoDeviceState());
    closeSession(link, session);  // closing an empty record closes nothing
    EXPECT_EQ(hid.totalOpenHandles(), 0U);
    EXPECT_EQ(hid.invalidCloseCount(), 0U);
}

// The record holds what the unit reported; a controller's blocks are read only in the mode
// that links to one, and only when one is attached. Report lengths too short for the protocol
// or implausibly long refuse the unit before any request.
TEST_F(SessionTest, IdentificationReadsWhatTheUnitOffers) {
    using enum Situation;
    const std::vector<std::uint8_t> all{kCmdIdentify, kCmdReadControllerInfo,
                                        kCmdReadControllerIdentity};
    const std::tuple<Situation, std::uint32_t, std::uint32_t, std::vector<std::uint8_t>> cases[] = {
        {Ready, 65, 65, all},
        {NoController, 65, 65, {kCmdIdentify}},
        {Bootloader, 65, 65, {kCmdIdentify, kCmdReadUnitMemory}},
        {Ready, 60, 44, all},
        {Ready, 4096, 4096, all},
        {Ready, 59, 65, {}},
        {Ready, 65, 43, {}},
        {Ready, 4097, 65, {}},
        {Ready, 65, 4097, {}},
    };
    const auto identity = [](const auto& x) {
        return std::tuple(x.unitMode, x.unitInfoWord, x.attachedType, x.attachedDetail, x.bootInfoA,
                          x.bootInfoB, x.bootInfoC, x.bootInfoD, x.bootInfoE);
    };
    for (const auto& [situation, output, input, commands] : cases) {
        SCOPED_TRACE(::testing::Message()
                     << sim::situationName(situation) << " " << output << "/" << input);
        sim::SimulatedUnit created = sim::makeUnit(situation);
        created.outputReportLength = output;
        created.inputReportLength = input;
        const sim::SimulatedUnit& unit = hid.unit(addUnit(created));
        EXPECT_EQ(openSession(link, session), commands.empty() ? kResultNoUnit : kResultOk);
        EXPECT_EQ(unit.deliveredCommands(), commands);
        if (commands.empty()) {
            continue;
        }
        EXPECT_EQ(session.outputReportLength, output);
        EXPECT_EQ(session.inputReportLength, input);
        EXPECT_EQ(identity(session), identity(unit));
        EXPECT_EQ(session.unitFirmwareVersion,
                  unit.unitMode != 0 ? readLe32(&unit.unitMemory[4]) : unit.unitFirmwareVersion);
        const bool controller = commands.size() == 3;
        EXPECT_EQ(session.controllerInfo, controller ? unit.controllerInfo : ControllerInfoBlock{});
        EXPECT_EQ(session.controllerIdentity,
                  controller ? unit.controllerIdentity : ControllerIdentityBlock{});
    }
}

// The unit stays open with what was read before the failing step.
TEST_F(SessionTest, FailedIdentificationReportsTheFailingStep) {
    using enum Situation;
    const std::tuple<Situation, std::uint8_t, std::int32_t> cases[] = {
        {Ready, kCmdIdentify, kResultWriteFailed},
        {Bootloader, kCmdReadUnitMemory, kResultNoUnit},
        {Ready, kCmdReadControllerInfo, kResultWriteFailed},
        {Ready, kCmdReadControllerIdentity, kResultWriteFailed},
    };
    for (const auto& [situation, command, result] : cases) {
        SCOPED_TRACE(int{command});
        sim::SimulatedUnit unit = sim::makeUnit(situation);
        unit.injectFault(command, FaultKind::WriteFails);
        const auto id = addUnit(unit);
        EXPECT_EQ(openSession(link, session), result);
        EXPECT_EQ(session.devicePath, hid.path(id));
        EXPECT_EQ(session.unitMode != 0, situation == Bootloader);
        EXPECT_EQ(session.unitFirmwareVersion != 0, situation == Ready && command != kCmdIdentify);
        EXPECT_EQ(session.controllerFirmwareVersion() != 0, command == kCmdReadControllerIdentity);
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
