#include <gtest/gtest.h>

#include "sim/sim_errors.h"
#include "sim_unit_fixture.h"

namespace talo::sim::test {
namespace {

using UnitAnswersTest = SimUnitTest;

TEST_F(UnitAnswersTest, IdentifyInNormalModeCarriesAttachmentAndUnitVersion) {
    const auto answer = exchange(request(kCmdIdentify, 0));
    ASSERT_EQ(answer.size(), 65u);
    const std::vector<std::uint8_t> expected{0x02, 0x00, kCmdIdentify, 0x00, 0x03, 0x00,
                                             0x01, 0x00, 0x05,         0x01, 0x00, 0x00,
                                             0x17, 0x2A, 0x00,         0x00};
    EXPECT_EQ(std::vector<std::uint8_t>(answer.begin(), answer.begin() + 16), expected);
}

TEST_F(UnitAnswersTest, IdentifyInBootloaderModePacksTheIdentityUnaligned) {
    plugUnit(makeUnit(Situation::Bootloader));
    const auto answer = exchange(request(kCmdIdentify, 0));
    ASSERT_EQ(answer.size(), 65u);
    const std::vector<std::uint8_t> expected{0x01, 0x11, 0x33, 0x22, 0x77, 0x66, 0x55,
                                             0x44, 0xBB, 0xAA, 0x99, 0x88, 0xCC};
    EXPECT_EQ(std::vector<std::uint8_t>(answer.begin() + 3, answer.begin() + 16), expected);
}

TEST_F(UnitAnswersTest, ReadCommandsAnswerTheirBlocksFromByteFour) {
    const auto memory = exchange(request(kCmdReadUnitMemory, 12, 0, le32(kUnitInfoAddress)));
    const auto info = exchange(request(kCmdReadControllerInfo, 8, 0, le32(32, 0xFFFFFFE0)));
    const auto identity = exchange(request(kCmdReadControllerIdentity, 0));
    ASSERT_EQ(identity.size(), 65u);
    EXPECT_TRUE(std::equal(unit().unitMemory.begin(), unit().unitMemory.end(), &memory.at(4)));
    EXPECT_TRUE(
        std::equal(unit().controllerInfo.begin(), unit().controllerInfo.end(), &info.at(4)));
    EXPECT_TRUE(std::equal(unit().controllerIdentity.begin(), unit().controllerIdentity.end(),
                           &identity.at(4)));
}

TEST_F(UnitAnswersTest, MalformedRequestsAreAnsweredWithErrorStatus) {
    auto wrongId = request(kCmdIdentify, 0);
    wrongId[0] = 0x02;
    EXPECT_TRUE(IsUnitError(exchange(wrongId), kUnitErrorBadRequest));
    EXPECT_TRUE(IsUnitError(exchange(request(0x42, 0)), kUnitErrorBadRequest));
    EXPECT_TRUE(IsUnitError(exchange(request(kCmdIdentify, 1)), kUnitErrorBadRequest));
    EXPECT_TRUE(IsUnitError(exchange(request(kCmdSetSystemLock, 1, 2)), kUnitErrorBadRequest));
    EXPECT_TRUE(IsUnitError(exchange(request(kCmdReadControllerInfo, 8, 0, le32(32, 0))),
                            kUnitErrorBadRequest));
    EXPECT_TRUE(
        IsUnitError(exchange(request(kCmdWriteBlock, 6, 0, block(6, 1))), kUnitErrorBadRequest));
    EXPECT_FALSE(unit().flash.systemLock);
}

TEST_F(UnitAnswersTest, ShortInputReportCarriesOnlyWhatFits) {
    SimulatedUnit shortReports = makeUnit(Situation::Ready);
    shortReports.inputReportLength = 20;
    plugUnit(shortReports);
    const auto identity = exchange(request(kCmdReadControllerIdentity, 0));
    ASSERT_EQ(identity.size(), 20u);
    EXPECT_TRUE(
        std::equal(identity.begin() + 4, identity.end(), unit().controllerIdentity.begin()));
}

}  // namespace
}  // namespace talo::sim::test
