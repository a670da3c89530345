#include "simulation.h"

#include <gtest/gtest.h>

#include "device/commands.h"
#include "sim/virtual_clock.h"

namespace talo::flash {
namespace {

TEST(SimulationPlanTest, SituationAndFaultsCombine) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("downgrade,block-fails:7,unplug-at:9,foreign:3", plan), "");
    EXPECT_EQ(plan.situation, sim::Situation::Downgrade);
    ASSERT_EQ(plan.faults.size(), 1u);
    EXPECT_EQ(plan.faults[0].command, kCmdWriteBlock);
    EXPECT_EQ(plan.faults[0].occurrence, 7u);
    EXPECT_EQ(plan.unplugAtBlock, 9u);
    EXPECT_EQ(plan.foreignDevices, 3u);
}

TEST(SimulationPlanTest, EmptyPlanIsTheReadyUnitAndNoUnitHasNone) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("", plan), "");
    EXPECT_EQ(plan.situation, sim::Situation::Ready);
    ASSERT_EQ(parseSimulation("no-unit", plan), "");
    EXPECT_FALSE(plan.situation.has_value());
}

TEST(SimulationPlanTest, RejectsMalformedCounts) {
    SimulationPlan plan;
    EXPECT_NE(parseSimulation("block-fails", plan), "");
    EXPECT_NE(parseSimulation("block-fails:", plan), "");
    EXPECT_NE(parseSimulation("block-fails:-1", plan), "");
    EXPECT_NE(parseSimulation("unplug-at:12x", plan), "");
    EXPECT_NE(parseSimulation("ready,", plan), "");
}

TEST(SimulatedBusTest, ForeignDevicesAreListedBeforeTheUnit) {
    SimulationPlan plan;
    ASSERT_EQ(parseSimulation("foreign:2", plan), "");
    sim::VirtualClock clock;
    const auto bus = buildSimulation(plan, clock);
    std::vector<std::u16string> paths;
    ASSERT_TRUE(bus->listInterfaces(paths));
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths.back(), bus->platform().path(2));
}

}  // namespace
}  // namespace talo::flash
