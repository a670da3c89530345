#include <gtest/gtest.h>

#include <set>

#include "device/session.h"
#include "sim/sim_errors.h"
#include "sim_unit_fixture.h"

namespace talo::sim::test {
namespace {

class SimHidPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        foreign = hid.addForeignDevice(0x046D, 0xC52B);
        first = hid.addUnit(makeUnit(Situation::Ready));
        second = hid.addUnit(makeUnit(Situation::Ready));
    }

    std::vector<std::u16string> listed() {
        std::vector<std::u16string> paths;
        EXPECT_TRUE(hid.listInterfaces(paths));
        return paths;
    }

    VirtualClock clock;
    SimHidPlatform hid{clock};
    DeviceId foreign = 0;
    DeviceId first = 0;
    DeviceId second = 0;
};

TEST_F(SimHidPlatformTest, ListsDevicesInOrderWithDistinctInterfacePaths) {
    const auto paths = listed();
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0], hid.path(foreign));
    EXPECT_EQ(paths[1], hid.path(first));
    EXPECT_EQ(paths[2], hid.path(second));
    EXPECT_NE(paths[1], paths[2]);
    EXPECT_EQ(paths[0].rfind(u"\\\\?\\hid#vid_046d&pid_c52b#", 0), 0u);
    const std::u16string suffix = u"#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    EXPECT_EQ(paths[0].substr(paths[0].size() - suffix.size()), suffix);
}

TEST_F(SimHidPlatformTest, ListingCanBeMadeToFail) {
    hid.setListingFails(true);
    std::vector<std::u16string> paths;
    EXPECT_FALSE(hid.listInterfaces(paths));
}

TEST_F(SimHidPlatformTest, CountsEveryOpenAndCloseWithDistinctValidHandles) {
    std::set<HidHandle> handles;
    for (int i = 0; i < 3; ++i) {
        handles.insert(hid.open(hid.path(first)));
    }
    handles.insert(hid.open(hid.path(foreign)));
    EXPECT_EQ(handles.size(), 4u);
    EXPECT_EQ(handles.count(kInvalidHidHandle), 0u);
    EXPECT_EQ(hid.openHandles(first), 3u);

    hid.close(*handles.begin());
    hid.close(*handles.begin());  // already closed
    EXPECT_EQ(hid.closeCount(first), 1u);
    EXPECT_EQ(hid.openCount(first), 3u);
    EXPECT_EQ(hid.totalOpenHandles(), 3u);
    EXPECT_EQ(hid.invalidCloseCount(), 1u);
}

TEST_F(SimHidPlatformTest, RefusingAndAttributelessDevicesFailWhereTheyShould) {
    const DeviceId refusing = hid.addUnopenableDevice(makerVendorId(), 1);
    const DeviceId blank = hid.addDeviceWithoutAttributes();
    EXPECT_EQ(hid.open(hid.path(refusing)), kInvalidHidHandle);
    EXPECT_EQ(hid.openAttempts(refusing), 1u);

    const HidHandle handle = hid.open(hid.path(blank));
    ASSERT_NE(handle, kInvalidHidHandle);
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    EXPECT_FALSE(hid.attributes(handle, vendor, product));
}

TEST_F(SimHidPlatformTest, TransfersOfAnotherLengthFailWithInvalidParameter) {
    const HidHandle handle = hid.open(hid.path(first));
    std::vector<std::uint8_t> report(64, 0);
    report[0] = kOutputReportId;
    report[1] = kCmdIdentify;
    EXPECT_FALSE(hid.writeReport(handle, report.data(), report.size()));
    EXPECT_EQ(hid.lastError(), kErrorInvalidParameter);
    EXPECT_FALSE(hid.readReport(handle, report.data(), report.size(), kReadTimeoutMs));
    EXPECT_EQ(hid.lastError(), kErrorInvalidParameter);
    EXPECT_EQ(hid.unit(first).deliveredCount(kCmdIdentify), 0u);
}

TEST_F(SimHidPlatformTest, PlugAndUnplugReachTheListenerAndKeepThePath) {
    std::vector<std::pair<bool, std::u16string>> events;
    hid.setListener(
        [&](bool arrived, const std::u16string& path) { events.emplace_back(arrived, path); });
    const std::u16string path = hid.path(first);
    hid.unplug(first);
    hid.unplug(first);
    EXPECT_EQ(hid.open(path), kInvalidHidHandle);
    hid.plug(first);

    const std::vector<std::pair<bool, std::u16string>> expected{{false, path}, {true, path}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(listed().back(), path);
}

using SimExchangeTest = SimUnitTest;

TEST_F(SimExchangeTest, LogStampsEachTransferWithTheClock) {
    ASSERT_TRUE(IsAccepted(lock(true)));
    ASSERT_TRUE(IsAccepted(protect(false)));
    const auto report = request(kCmdEraseFirmware, 4, 0, le32(kConfirmationWord));
    ASSERT_TRUE(hid.writeReport(handle, report.data(), report.size()));
    clock.sleepMs(1000);
    std::vector<std::uint8_t> answer(unit().inputReportLength);
    ASSERT_TRUE(hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs));

    const auto erases = unit().deliveredRequests(kCmdEraseFirmware);
    ASSERT_EQ(erases.size(), 1u);
    EXPECT_EQ(erases[0]->bytes, report);
    ASSERT_FALSE(unit().reads.empty());
    EXPECT_EQ(unit().reads.back().command, kCmdEraseFirmware);
    EXPECT_EQ(unit().reads.back().atMicros - erases[0]->atMicros, 1000000u);
}

TEST_F(SimExchangeTest, LatencyPassesWithoutPauseAndTooMuchOfItTimesOut) {
    unit().exchangeLatencyMicros = 2500;
    const std::uint64_t before = clock.nowMicros();
    ASSERT_TRUE(IsAccepted(lock(true)));
    EXPECT_EQ(clock.nowMicros() - before, 2500u);
    EXPECT_TRUE(clock.pauses().empty());

    unit().exchangeLatencyMicros = std::uint64_t{kReadTimeoutMs} * 1000 + 1;
    EXPECT_TRUE(lock(false).empty());
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

}  // namespace
}  // namespace talo::sim::test
