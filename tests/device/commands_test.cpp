#include "device/commands.h"

#include <gtest/gtest.h>

#include <numeric>

#include "request_assertions.h"
#include "scripted_hid.h"
#include "sim/virtual_clock.h"

namespace talo {
namespace {

using test::IsRequest;
using test::ScriptedHid;

class CommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session.handle = ScriptedHid::kHandle;
        session.devicePath = u"scripted";
        session.outputReportLength = hid.outputLength;
        session.inputReportLength = hid.inputLength;
    }

    ScriptedHid hid;
    sim::VirtualClock clock;
    DeviceLink link{hid, clock};
    DeviceSession session;
};

TEST_F(CommandsTest, RequestsAreFramedAsTheProtocolDefines) {
    for (int i = 0; i < 9; ++i) {
        hid.answer(0x00, (i == 4 || i == 8) ? 0x01 : 0x00);
    }
    IdentifyAnswer identity{};
    UnitInfoBlock unitInfo{};
    ControllerInfoBlock info{};
    ControllerIdentityBlock controller{};
    EXPECT_EQ(Identify(link, session, identity), 0);
    EXPECT_EQ(ReadUnitMemory(link, session, unitInfo), 0);
    EXPECT_EQ(SetSystemLock(link, session, false), 0);
    EXPECT_EQ(ReadControllerInfo(link, session, info), 0);
    EXPECT_EQ(SetWriteProtect(link, session, true), 0);
    EXPECT_EQ(EraseFirmware(link, session), 0);
    EXPECT_EQ(SetWriteAddress(link, session), 0);
    EXPECT_EQ(ReadControllerIdentity(link, session, controller), 0);
    EXPECT_EQ(SetSystemLock(link, session, 7), 0);  // any nonzero state goes out as 1
    ASSERT_EQ(hid.requests.size(), 9U);
    EXPECT_TRUE(IsRequest(hid.requests[0], {0x01, 0x08, 0x00}));
    EXPECT_TRUE(IsRequest(hid.requests[1], {0x01, 0x0A, 0x0C, 0x00, 0x00, 0xFC, 0x01, 0x08}));
    EXPECT_TRUE(IsRequest(hid.requests[2], {0x01, 0x0B, 0x01, 0x00}));
    EXPECT_TRUE(
        IsRequest(hid.requests[3], {0x01, 0x1D, 0x08, 0x00, 32, 0, 0, 0, 0xE0, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(IsRequest(hid.requests[4], {0x01, 0x20, 0x01, 0x01}));
    EXPECT_TRUE(IsRequest(hid.requests[5], {0x01, 0x1E, 0x04, 0x00, 0xB1, 0xA9, 0xC7, 0x5E}));
    EXPECT_TRUE(
        IsRequest(hid.requests[6], {0x01, 0x1F, 0x09, 0x01, 0, 0, 0, 0, 0xB1, 0xA9, 0xC7, 0x5E}));
    EXPECT_TRUE(IsRequest(hid.requests[7], {0x01, 0x22, 0x00}));
    EXPECT_TRUE(IsRequest(hid.requests[8], {0x01, 0x0B, 0x01, 0x01}));
    for (const auto& request : hid.requests) {
        EXPECT_EQ(request.size(), hid.outputLength);
    }
    // The response buffer's report id byte is primed before every read.
    EXPECT_EQ(hid.firstByteBeforeRead, std::vector<std::uint8_t>(9, 0x02));
}

TEST_F(CommandsTest, WriteBlockCarriesFourBytesPerWord) {
    std::vector<std::uint8_t> data(60);
    std::iota(data.begin(), data.end(), std::uint8_t{0x10});
    for (int i = 0; i < 3; ++i) {
        hid.answer(0x00, 0x00);
    }
    EXPECT_EQ(WriteBlock(link, session, data.data(), 0), 0);
    EXPECT_EQ(WriteBlock(link, session, data.data(), 12), 0);
    EXPECT_EQ(WriteBlock(link, session, data.data(), 14), 0);
    EXPECT_EQ(WriteBlock(link, session, data.data(), 15), kResultNoUnit);
    ASSERT_EQ(hid.requests.size(), 3U);
    EXPECT_EQ(hid.reads, 3U);  // the empty block is answered like any other
    EXPECT_TRUE(IsRequest(hid.requests[0], {0x01, 0x1B, 0x00}));
    std::vector<std::uint8_t> twelve{0x01, 0x1B, 48, 0x00};
    twelve.insert(twelve.end(), data.begin(), data.begin() + 48);
    EXPECT_TRUE(IsRequest(hid.requests[1], twelve));
    std::vector<std::uint8_t> fourteen{0x01, 0x1B, 56, 0x00};
    fourteen.insert(fourteen.end(), data.begin(), data.begin() + 56);
    EXPECT_TRUE(IsRequest(hid.requests[2], fourteen));
}

TEST_F(CommandsTest, NothingIsSentWithoutAnOpenUnit) {
    session = DeviceSession{};
    IdentifyAnswer identity{};
    UnitInfoBlock unitInfo{};
    ControllerInfoBlock info{};
    ControllerIdentityBlock controller{};
    const std::uint8_t data[4]{};
    EXPECT_EQ(Identify(link, session, identity), kResultNoUnit);
    EXPECT_EQ(ReadUnitMemory(link, session, unitInfo), kResultNoUnit);
    EXPECT_EQ(SetSystemLock(link, session, true), kResultNoUnit);
    EXPECT_EQ(WriteBlock(link, session, data, 1), kResultNoUnit);
    EXPECT_EQ(ReadControllerInfo(link, session, info), kResultNoUnit);
    EXPECT_EQ(EraseFirmware(link, session), kResultNoUnit);
    EXPECT_EQ(SetWriteAddress(link, session), kResultNoUnit);
    EXPECT_EQ(SetWriteProtect(link, session, false), kResultNoUnit);
    EXPECT_EQ(ReadControllerIdentity(link, session, controller), kResultNoUnit);
    EXPECT_TRUE(hid.requests.empty());
    EXPECT_EQ(hid.reads, 0U);
    EXPECT_TRUE(clock.pauses().empty());
}

TEST_F(CommandsTest, FailedWriteReadsNothingAndKeepsTheSystemError) {
    hid.failWrite = true;
    UnitInfoBlock unitInfo{};
    EXPECT_EQ(EraseFirmware(link, session), kResultWriteFailed);
    EXPECT_TRUE(clock.pauses().empty());  // no wait for an answer that cannot come
    EXPECT_EQ(SetSystemLock(link, session, true), kResultWriteFailed);
    EXPECT_EQ(ReadUnitMemory(link, session, unitInfo), kResultNoUnit);
    EXPECT_EQ(hid.reads, 0U);
    EXPECT_EQ(hid.lastError(), ScriptedHid::kWriteError);
}

TEST_F(CommandsTest, FailedReadReturnsMinusThreeAndLeavesBlocksAlone) {
    hid.failRead = true;
    ControllerInfoBlock info{};
    info.fill(0xAB);
    EXPECT_EQ(ReadControllerInfo(link, session, info), kResultReadFailed);
    for (auto byte : info) {
        ASSERT_EQ(byte, 0xAB);
    }
    EXPECT_EQ(hid.lastError(), ScriptedHid::kReadError);
}

TEST_F(CommandsTest, EraseReadsItsAnswerAfterOneSecond) {
    hid.answer(0x00, 0x00);
    EXPECT_EQ(EraseFirmware(link, session), 0);
    EXPECT_EQ(clock.pauses(), std::vector<std::uint32_t>{1000});
}

TEST_F(CommandsTest, ErrorCodesAreSixteenOrThirtyTwoBitsWide) {
    const std::vector<std::uint8_t> code{0x05, 0x00, 0x01, 0x00};
    ControllerInfoBlock info{};
    ControllerIdentityBlock controller{};
    const std::uint8_t data[48]{};
    for (int i = 0; i < 6; ++i) {
        hid.answer(0xFF, 0x01, code);
    }
    EXPECT_EQ(ReadControllerInfo(link, session, info), 5);
    EXPECT_EQ(ReadControllerIdentity(link, session, controller), 5);
    EXPECT_EQ(EraseFirmware(link, session), 0x00010005);
    EXPECT_EQ(SetWriteAddress(link, session), 0x00010005);
    EXPECT_EQ(WriteBlock(link, session, data, 12), 0x00010005);
    // The error code wins over an echo that matches the requested state.
    EXPECT_EQ(SetWriteProtect(link, session, true), 0x00010005);
    EXPECT_EQ(info, ControllerInfoBlock{});
    EXPECT_EQ(controller, ControllerIdentityBlock{});
}

TEST_F(CommandsTest, SwitchCommandsCompareTheEcho) {
    hid.answer(0xFF, 0x01);  // the lock never looks at the status byte
    hid.answer(0x00, 0x00);
    hid.answer(0x00, 0x01);
    EXPECT_EQ(SetSystemLock(link, session, true), 0);
    EXPECT_EQ(SetSystemLock(link, session, true), kResultEchoMismatch);
    EXPECT_EQ(SetWriteProtect(link, session, false), kResultEchoMismatch);
}

TEST_F(CommandsTest, ErrorAnswerWithCodeZeroCountsAsSuccessWithoutData) {
    ControllerInfoBlock info{};
    info.fill(0x5A);
    std::vector<std::uint8_t> data(32, 0x77);
    data[0] = data[1] = 0;  // error code 0 in bytes 4-5
    hid.answer(0xFF, 0x00, data);
    hid.answer(0xFF, 0x00, {0, 0, 0, 0});
    EXPECT_EQ(ReadControllerInfo(link, session, info), 0);
    EXPECT_EQ(info, [] {
        ControllerInfoBlock unchanged;
        unchanged.fill(0x5A);
        return unchanged;
    }());
    EXPECT_EQ(SetWriteProtect(link, session, true), 0);  // echo 0 is not examined then
}

TEST_F(CommandsTest, ReadCommandsCopyTheirBlocksFromByteFour) {
    std::vector<std::uint8_t> payload(40);
    std::iota(payload.begin(), payload.end(), std::uint8_t{1});
    hid.answer(0x00, 0x07, payload);
    hid.answer(0x00, 0x00, payload);
    hid.answer(0x00, 0x00, payload);
    IdentifyAnswer identity{};
    UnitInfoBlock unitInfo{};
    ControllerIdentityBlock controller{};
    EXPECT_EQ(Identify(link, session, identity), 0);
    EXPECT_EQ(ReadUnitMemory(link, session, unitInfo), 0);
    EXPECT_EQ(ReadControllerIdentity(link, session, controller), 0);
    EXPECT_EQ(identity[0], 0x07);
    EXPECT_EQ(identity[1], 1);
    EXPECT_EQ(identity[12], 12);
    EXPECT_EQ(unitInfo[0], 1);
    EXPECT_EQ(unitInfo[11], 12);
    EXPECT_EQ(controller[0], 1);
    EXPECT_EQ(controller[39], 40);
}

TEST_F(CommandsTest, TransfersUseTheUnitsReportLengthsWithinTheBuffer) {
    // The shortest usable reports and a long one: transfers match them exactly and the
    // answer block is still read whole.
    hid.outputLength = 60;
    hid.inputLength = 44;
    session.outputReportLength = 60;
    session.inputReportLength = 44;
    std::vector<std::uint8_t> payload(40, 0x33);
    hid.answer(0x00, 0x00, payload);
    ControllerIdentityBlock controller{};
    EXPECT_EQ(ReadControllerIdentity(link, session, controller), 0);
    EXPECT_EQ(controller[39], 0x33);
    EXPECT_EQ(hid.requests.back().size(), 60U);

    hid.outputLength = 1025;
    session.outputReportLength = 1025;
    hid.answer(0x00, 0x00);
    const std::uint8_t data[56]{};
    EXPECT_EQ(WriteBlock(link, session, data, 14), 0);
    EXPECT_EQ(hid.requests.back().size(), 1025U);
}

}  // namespace
}  // namespace talo
