#include "sim/scenarios.h"

#include <gtest/gtest.h>

#include "device/session.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo::sim::test {
namespace {

TEST(SituationNames, ParseTheFiveNamesAndNothingElse) {
    for (const Situation situation : {Situation::Ready, Situation::Downgrade, Situation::Bootloader,
                                      Situation::NoController, Situation::Incompatible}) {
        Situation parsed = situation == Situation::Ready ? Situation::Bootloader : Situation::Ready;
        EXPECT_TRUE(parseSituation(situationName(situation), parsed));
        EXPECT_EQ(parsed, situation);
    }
    Situation untouched = Situation::Downgrade;
    EXPECT_FALSE(parseSituation("Ready", untouched));
    EXPECT_FALSE(parseSituation("no_controller", untouched));
    EXPECT_FALSE(parseSituation("", untouched));
    EXPECT_EQ(untouched, Situation::Downgrade);
}

// Each situation, opened by the real session code, yields the record the updater decides on.
class SituationSessionTest : public ::testing::Test {
  protected:
    DeviceSession open(Situation situation) {
        hid.addUnit(makeUnit(situation));
        DeviceSession session;
        result = openSession(link, session);
        return session;
    }

    VirtualClock clock;
    SimHidPlatform hid{clock};
    DeviceLink link{hid, clock};
    std::int32_t result = -99;
};

TEST_F(SituationSessionTest, ReadyUnitReportsSupportedControllerBelowTheImageVersion) {
    const DeviceSession session = open(Situation::Ready);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(session.unitMode, 0);
    EXPECT_EQ(session.attachedType, 3);
    EXPECT_EQ(session.controllerTypeCode(), 0x0E12C078u);
    EXPECT_EQ(session.controllerFirmwareVersion(), 0x0107);
    EXPECT_EQ(session.controllerBootloaderVersion(), kControllerBootloaderVersion);
    EXPECT_EQ(session.unitFirmwareVersion, 0x00000105u);
    EXPECT_EQ(session.productId, 1);
}

TEST_F(SituationSessionTest, BootloaderUnitTakesItsVersionFromMemory) {
    const DeviceSession session = open(Situation::Bootloader);
    ASSERT_EQ(result, 0);
    EXPECT_NE(session.unitMode, 0);
    EXPECT_EQ(session.unitFirmwareVersion, kBootloaderUnitVersion);
    EXPECT_EQ(session.attachedType, 0);
}

TEST_F(SituationSessionTest, NoControllerAndIncompatibleDifferInAttachmentAndType) {
    const DeviceSession bare = open(Situation::NoController);
    ASSERT_EQ(result, 0);
    EXPECT_NE(bare.attachedType, 3);
    EXPECT_EQ(bare.controllerFirmwareVersion(), 0);

    hid.unplug(0);
    const DeviceSession foreign = open(Situation::Incompatible);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(foreign.attachedType, 3);
    EXPECT_NE(foreign.controllerTypeCode(), 0x0E12C078u);
}

}  // namespace
}  // namespace talo::sim::test
