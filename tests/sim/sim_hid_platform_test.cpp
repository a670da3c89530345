#include <gtest/gtest.h>

#include "sim_unit_fixture.h"

namespace talo::sim::test {
namespace {

using Events = std::vector<std::pair<bool, std::u16string>>;

// A mouse, then the fixture's open unit, with a listener recording plug events.
class SimHidPlatformTest : public SimUnitTest {
  protected:
    void SetUp() override {
        mouse = hid.addForeignDevice(0x046D, 0xC52B);
        SimUnitTest::SetUp();
        hid.setListener([this](bool arrived, const std::u16string& path) {
            events.emplace_back(arrived, path);
        });
    }

    DeviceId mouse = 0;
    Events events;
};

TEST_F(SimHidPlatformTest, DevicesHaveWindowsInterfacePathsOpenedRegardlessOfCase) {
    EXPECT_EQ(
        hid.path(mouse),
        u"\\\\?\\hid#vid_046d&pid_c52b#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    std::u16string upper = hid.path(id);
    for (char16_t& c : upper) {
        c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    }
    EXPECT_NE(upper, hid.path(id));
    EXPECT_NE(hid.open(upper), kInvalidHidHandle);
    EXPECT_EQ(hid.openHandles(id), 2u);
    hid.close(handle);
    hid.close(handle);  // already closed
    EXPECT_EQ(hid.closeCount(id), 1u);
    EXPECT_EQ(hid.invalidCloseCount(), 1u);
}

TEST_F(SimHidPlatformTest, TransfersFailWithTheCodeARealStackGives) {
    const HidHandle mouseHandle = hid.open(hid.path(mouse));
    Bytes report = request(kCmdIdentify, 0);
    const std::tuple<HidHandle, std::size_t, std::uint32_t> cases[] = {
        {handle, 64, kErrorInvalidParameter},
        {mouseHandle, 65, kErrorGenFailure},
        {0x0BAD, 65, kErrorInvalidHandle},
    };
    for (const auto& [target, length, error] : cases) {
        EXPECT_FALSE(hid.writeReport(target, report.data(), length));
        EXPECT_EQ(hid.lastError(), error);
        EXPECT_FALSE(hid.readReport(target, report.data(), length, kReadTimeoutMs));
        EXPECT_EQ(hid.lastError(), error);
    }
    EXPECT_EQ(unit().deliveredCount(kCmdIdentify), 0u);
    EXPECT_EQ(clock.nowMicros(), 0u);
}

TEST_F(SimHidPlatformTest, ClaimsFollowTheSharedAndExclusiveRules) {
    const HidHandle other = hid.open(hid.path(id));
    EXPECT_TRUE(hid.claim(handle, UnitClaim::Shared));
    EXPECT_TRUE(hid.claim(other, UnitClaim::Shared));
    EXPECT_FALSE(hid.claim(other, UnitClaim::Exclusive));
    hid.releaseClaim(other);
    EXPECT_EQ(hid.claimOf(other), std::nullopt);
    EXPECT_TRUE(hid.claim(handle, UnitClaim::Exclusive));  // its own claim is no conflict
    EXPECT_FALSE(hid.claim(other, UnitClaim::Shared));
    EXPECT_EQ(hid.claimOf(handle), UnitClaim::Exclusive);
    hid.close(handle);  // ends the claim
    EXPECT_TRUE(hid.claim(other, UnitClaim::Exclusive));
    hid.releaseClaim(other);
    hid.setClaimedElsewhere(id, true);
    EXPECT_FALSE(hid.claim(other, UnitClaim::Shared));
}

// Unplugged by its second block: gone from the list, every transfer on its handle fails until
// it is plugged in again under its old path; the handle still closes.
TEST_F(SimHidPlatformTest, UnpluggedUnitReachesTheListenerAndFailsEveryTransfer) {
    const std::u16string path = hid.path(id);
    unit().disconnectAtWriteBlock = 2;
    unit().flash = FlashModel{true, false, true, true, 0, {}, 0};  // ready for blocks
    EXPECT_EQ(refusal(writeBlock(Bytes(4, 1))), 0u);
    EXPECT_EQ(refusal(writeBlock(Bytes(4, 2))), kNoAnswer);
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);
    EXPECT_EQ(unit().flash.bytesWritten, 4u);
    hid.unplug(id);  // once is enough
    std::vector<std::u16string> paths;
    EXPECT_TRUE(hid.listInterfaces(paths));
    EXPECT_EQ(paths, std::vector{hid.path(mouse)});
    EXPECT_EQ(hid.open(path), kInvalidHidHandle);
    Bytes answer(65);
    EXPECT_FALSE(hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs));
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);
    std::uint16_t vendor = 0;
    EXPECT_FALSE(hid.attributes(handle, vendor, vendor));

    hid.plug(id);
    hid.plug(id);
    EXPECT_EQ(events, (Events{{false, path}, {true, path}}));
    EXPECT_TRUE(hid.listInterfaces(paths));
    EXPECT_EQ(paths.back(), path);
    hid.close(handle);
    EXPECT_EQ(hid.totalOpenHandles(), 0u);
}

TEST_F(SimHidPlatformTest, LogStampsTransfersAndLatencyPassesWithoutAPause) {
    unit().exchangeLatencyMicros = 2500;
    const Bytes report = request(kCmdIdentify, 0);
    ASSERT_TRUE(hid.writeReport(handle, report.data(), report.size()));
    clock.sleepMs(1000);
    Bytes answer(unit().inputReportLength);
    ASSERT_TRUE(hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs));
    EXPECT_EQ(unit().deliveredRequests(kCmdIdentify).at(0)->bytes, report);
    EXPECT_EQ(unit().reads.back().command, kCmdIdentify);
    EXPECT_EQ(unit().reads.back().atMicros - unit().requests.back().atMicros, 1'000'000u);
    EXPECT_EQ(clock.nowMicros(), 1'002'500u);
    EXPECT_EQ(clock.totalPausedMs(), 1000u);

    unit().exchangeLatencyMicros = kReadTimeoutMs * 1000ull + 1;  // too late: the read gives up
    EXPECT_EQ(refusal(lock(true)), kNoAnswer);
    EXPECT_EQ(hid.lastError(), kErrorTimeout);
    unit().exchangeLatencyMicros = 0;
    EXPECT_EQ(protect(false).at(2), kCmdSetWriteProtect);  // the late answer was dropped
}

TEST(PassTimeTest, RealClockKeepsTheServiceRunningWhileTimePasses) {
    SteadyClock clock;
    int calls = 0;
    const std::uint64_t before = clock.nowMicros();
    passTime(clock, 35'000, [&calls] { ++calls; });
    EXPECT_GE(clock.nowMicros() - before, 35'000u);
    EXPECT_GE(calls, 1);
    EXPECT_LE(calls, 3);  // one per 10 ms, none in the last 10 ms
}

TEST(SituationNames, EachNameParsesBackAndNothingElseParses) {
    for (int i = 0; i < 5; ++i) {
        Situation parsed = static_cast<Situation>((i + 1) % 5);
        EXPECT_TRUE(parseSituation(situationName(static_cast<Situation>(i)), parsed));
        EXPECT_EQ(parsed, static_cast<Situation>(i));
    }
    Situation untouched = Situation::Downgrade;
    EXPECT_FALSE(parseSituation("no_controller", untouched));
    EXPECT_EQ(untouched, Situation::Downgrade);
}

}  // namespace
}  // namespace talo::sim::test
