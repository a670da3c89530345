#include <gtest/gtest.h>

#include "sim/sim_errors.h"
#include "sim_unit_fixture.h"

namespace talo::sim::test {
namespace {

using FaultInjectionTest = SimUnitTest;

TEST_F(FaultInjectionTest, ErrorStatusHitsOnlyTheKthOccurrenceAndIsNotCarriedOut) {
    unit().injectFault(kCmdWriteBlock, FaultKind::ErrorStatus, 2, 0x00010005);
    ASSERT_NO_FATAL_FAILURE(prepareForWriting());

    EXPECT_TRUE(IsAccepted(writeBlock(block(48, 1))));
    EXPECT_TRUE(IsUnitError(writeBlock(block(48, 2)), 0x00010005));
    EXPECT_TRUE(IsAccepted(writeBlock(block(48, 3))));

    std::vector<std::uint8_t> expected = block(48, 1);
    const auto third = block(48, 3);
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(unit().flash.contents, expected);
}

TEST_F(FaultInjectionTest, OccurrenceZeroHitsEveryRequestWithThatCode) {
    unit().injectFault(kCmdSetWriteAddress, FaultKind::ErrorStatus, 0, 7);
    EXPECT_TRUE(IsUnitError(setAddress(), 7));
    EXPECT_TRUE(IsUnitError(setAddress(), 7));
    EXPECT_TRUE(IsAccepted(lock(true)));
}

TEST_F(FaultInjectionTest, WrongEchoFlipsTheEchoButTheStateChanges) {
    unit().injectFault(kCmdSetSystemLock, FaultKind::WrongEcho, 1);
    EXPECT_EQ(lock(true).at(3), 0);
    EXPECT_TRUE(unit().flash.systemLock);
}

TEST_F(FaultInjectionTest, FailedWriteNeverReachesTheUnit) {
    unit().injectFault(kCmdSetSystemLock, FaultKind::WriteFails, 1);
    const auto report = request(kCmdSetSystemLock, 1, 1);
    EXPECT_FALSE(hid.writeReport(handle, report.data(), report.size()));
    EXPECT_EQ(hid.lastError(), kErrorGenFailure);
    EXPECT_FALSE(unit().flash.systemLock);
    EXPECT_EQ(unit().deliveredCount(kCmdSetSystemLock), 0u);
    EXPECT_EQ(unit().requests.size(), 1u);
}

TEST_F(FaultInjectionTest, FailedReadLosesTheAnswerOfACarriedOutRequest) {
    unit().injectFault(kCmdSetSystemLock, FaultKind::ReadFails, 1);
    EXPECT_TRUE(lock(true).empty());
    EXPECT_EQ(hid.lastError(), kErrorGenFailure);
    EXPECT_TRUE(unit().flash.systemLock);
    // The lost answer is not served to the next exchange, which clears the error code.
    EXPECT_EQ(protect(false).at(2), kCmdSetWriteProtect);
    EXPECT_EQ(hid.lastError(), 0u);
}

TEST_F(FaultInjectionTest, MissingAnswerRunsTheReadIntoItsTimeLimitOnTheClock) {
    unit().injectFault(kCmdEraseFirmware, FaultKind::NoAnswer, 1);
    const std::uint64_t before = clock.nowMicros();
    EXPECT_TRUE(erase().empty());
    EXPECT_EQ(hid.lastError(), kErrorTimeout);
    EXPECT_EQ(clock.nowMicros() - before, std::uint64_t{kReadTimeoutMs} * 1000);
    EXPECT_TRUE(clock.pauses().empty());
}

class DisconnectTest : public SimUnitTest {
  protected:
    void SetUp() override {
        SimUnitTest::SetUp();
        hid.setListener([this](bool arrived, const std::u16string& path) {
            events.emplace_back(arrived, path);
        });
        unit().disconnectAtWriteBlock = 3;
        ASSERT_NO_FATAL_FAILURE(prepareForWriting());
    }

    std::vector<std::pair<bool, std::u16string>> events;
};

TEST_F(DisconnectTest, UnitLeavesTheListAtTheNthBlock) {
    EXPECT_TRUE(IsAccepted(writeBlock(block(48, 1))));
    EXPECT_TRUE(IsAccepted(writeBlock(block(48, 2))));
    EXPECT_TRUE(writeBlock(block(48, 3)).empty());
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);

    std::vector<std::u16string> paths;
    ASSERT_TRUE(hid.listInterfaces(paths));
    EXPECT_TRUE(paths.empty());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_FALSE(events[0].first);
    EXPECT_EQ(events[0].second, hid.path(id));
    EXPECT_EQ(unit().flash.bytesWritten, 96u);
}

TEST_F(DisconnectTest, EveryLaterTransferFailsButTheHandleStillCloses) {
    writeBlock(block(48, 1));
    writeBlock(block(48, 2));
    writeBlock(block(48, 3));

    const auto report = request(kCmdIdentify, 0);
    EXPECT_FALSE(hid.writeReport(handle, report.data(), report.size()));
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);
    std::vector<std::uint8_t> answer(unit().inputReportLength);
    EXPECT_FALSE(hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs));
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);

    EXPECT_EQ(hid.openHandles(id), 1u);
    hid.close(handle);
    EXPECT_EQ(hid.totalOpenHandles(), 0u);
    EXPECT_EQ(hid.invalidCloseCount(), 0u);
}

}  // namespace
}  // namespace talo::sim::test
