#include "simulation.h"

#include <gtest/gtest.h>

#include "device/commands.h"

namespace talo::flash {
namespace {

TEST(SimulationPlanTest, PiecesApplyToEveryUnitOrTheOneAfterTheAt) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("units:3,downgrade@3,block-fails:7@2,unplug-at:9,foreign:3", plan),
              "");
    ASSERT_EQ(plan.units.size(), 3u);
    EXPECT_EQ(plan.units[0].situation, sim::Situation::Ready);
    EXPECT_EQ(plan.units[2].situation, sim::Situation::Downgrade);
    EXPECT_TRUE(plan.units[0].faults.empty());
    ASSERT_EQ(plan.units[1].faults.size(), 1u);
    EXPECT_EQ(plan.units[1].faults[0].command, kCmdWriteBlock);
    EXPECT_EQ(plan.units[1].faults[0].occurrence, 7u);
    for (const UnitPlan& unit : plan.units) {
        EXPECT_EQ(unit.unplugAtBlock, 9u);
    }
    EXPECT_EQ(plan.foreignDevices, 3u);
}

TEST(SimulationPlanTest, EmptyPlanIsOneReadyUnitAndNoUnitHasNone) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("", plan), "");
    ASSERT_EQ(plan.units.size(), 1u);
    EXPECT_EQ(plan.units[0].situation, sim::Situation::Ready);
    ASSERT_EQ(parseSimulation("no-unit", plan), "");
    EXPECT_FALSE(plan.units[0].situation.has_value());
}

TEST(SimulationPlanTest, RejectsMalformedPieces) {
    SimulationPlan plan;
    for (const char* bad : {"block-fails", "block-fails:", "block-fails:-1", "unplug-at:12x",
                            "ready,", "ready,bootloader", "units:2,lock-fails@3", "units:0",
                            "units", "ready@0", "lock-fails@x"}) {
        EXPECT_NE(parseSimulation(bad, plan), "") << bad;
    }
}

TEST(SimulatedBusTest, UnitsFollowTheForeignDevicesWithSerialNumbers) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("units:2,foreign:2", plan), "");
    SimulatedBus bus(plan);
    std::vector<std::u16string> paths;
    ASSERT_TRUE(bus.listInterfaces(paths));
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[3], bus.platform().path(3));
    EXPECT_EQ(bus.unit(1).serialNumber, u"SIM0002");
}

TEST(SimulatedBusTest, UnitsArriveAndLeaveAtTheBussOwnLooks) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("arrives-after:2,leaves-when-written", plan), "");
    SimulatedBus bus(plan);
    std::vector<std::u16string> paths;
    bus.listInterfaces(paths);
    EXPECT_EQ(bus.pluggedUnits(), 0u);
    bus.listInterfaces(paths);
    ASSERT_EQ(paths.size(), 1u);
    // A unit's own view lists it without counting as a look.
    const auto view = bus.unitView(paths[0]);
    view->listInterfaces(paths);
    EXPECT_EQ(paths.size(), 1u);
    bus.platform().unit(0).flash.bytesWritten = 48;  // written, lock released
    bus.listInterfaces(paths);
    EXPECT_EQ(bus.pluggedUnits(), 0u);
}

}  // namespace
}  // namespace talo::flash
