#include <gtest/gtest.h>

#include <functional>

#include "sim_unit_fixture.h"

namespace talo::sim::test {
namespace {

using SimulatedUnitTest = SimUnitTest;

TEST_F(SimulatedUnitTest, IdentifyAnswersPackTheIdentityOfEachMode) {
    const Bytes normal = exchange(request(kCmdIdentify, 0));
    EXPECT_EQ(Bytes(normal.begin(), normal.begin() + 16),
              (Bytes{0x02, 0x00, kCmdIdentify, 0x00, 0x03, 0x00, 0x01, 0x00, 0x05, 0x01, 0x00, 0x00,
                     0x17, 0x2A, 0x00, 0x00}));
    SimulatedUnit bootloader = makeUnit(Situation::Bootloader);
    bootloader.inputReportLength = 15;  // a short report carries only what fits
    plugUnit(bootloader);
    EXPECT_EQ(exchange(request(kCmdIdentify, 0)),
              (Bytes{0x02, 0x00, kCmdIdentify, 0x01, 0x11, 0x33, 0x22, 0x77, 0x66, 0x55, 0x44, 0xBB,
                     0xAA, 0x99, 0x88}));
}

TEST_F(SimulatedUnitTest, MalformedOrImpossibleRequestsAreRefused) {
    using enum Situation;
    constexpr std::uint32_t kBad = kUnitErrorBadRequest;
    constexpr std::uint32_t kNone = kUnitErrorNoController;  // no controller to talk to
    const std::tuple<Situation, Bytes, std::uint32_t> cases[] = {
        {Ready, request(0x42, 0), kBad},
        {Ready, request(kCmdIdentify, 1), kBad},
        {Ready, request(kCmdReadUnitMemory, 12, 0, le32(0)), kBad},
        {Ready, request(kCmdSetSystemLock, 1, 2), kBad},
        {Ready, request(kCmdReadControllerInfo, 8, 0, le32(32)), kBad},
        {Ready, request(kCmdReadControllerIdentity, 1), kBad},
        {Ready, request(kCmdWriteBlock, 6), kBad},
        {Ready, request(kCmdWriteBlock, 60), kBad},
        {Ready, request(kCmdSetWriteAddress, 9, 0, le32(0, kConfirmationWord)), kBad},
        {Ready, request(kCmdEraseFirmware, 3, 0, le32(kConfirmationWord)), kBad},
        {NoController, request(kCmdSetWriteProtect, 1), kNone},
        {NoController, request(kCmdEraseFirmware, 4, 0, le32(kConfirmationWord)), kNone},
        {NoController, request(kCmdSetWriteAddress, 9, 1, le32(0, kConfirmationWord)), kNone},
        {NoController, request(kCmdReadControllerInfo, 8, 0, le32(32, 0xFFFFFFE0)), kNone},
        {Bootloader, request(kCmdReadControllerIdentity, 0), kNone},
        {Ready, Bytes(65, 0), kBad},  // not an output report
    };
    for (const auto& [situation, report, error] : cases) {
        SCOPED_TRACE(::testing::Message() << situationName(situation) << " " << int{report[1]});
        plugUnit(makeUnit(situation));
        EXPECT_EQ(refusal(exchange(report)), error);
    }
}

// Writing needs, checked in this order: lock, no protection, erased flash, a write address.
TEST_F(SimulatedUnitTest, FlashIsWrittenOnlyAfterEveryStepAndWithinItsCapacity) {
    const Bytes words(12, 0x11);
    const Bytes last(8, 0x22);
    const std::uint32_t nearEnd = FlashModel::kCapacity - 8;
    const std::pair<std::function<Bytes()>, std::uint32_t> steps[] = {
        {[&] { return writeBlock(words); }, kUnitErrorNotLocked},
        {[&] { return erase(); }, kUnitErrorNotLocked},
        {[&] { return protect(false); }, kUnitErrorNotLocked},
        {[&] { return lock(true); }, 0},
        {[&] { return writeBlock(words); }, kUnitErrorWriteProtected},
        {[&] { return erase(); }, kUnitErrorWriteProtected},
        {[&] { return protect(false); }, 0},
        {[&] { return setAddress(0, 0); }, kUnitErrorBadConfirmation},
        {[&] { return setAddress(FlashModel::kCapacity); }, kUnitErrorAddressRange},
        {[&] { return setAddress(); }, 0},
        {[&] { return writeBlock(words); }, kUnitErrorNotErased},
        {[&] { return erase(kConfirmationWord ^ 1); }, kUnitErrorBadConfirmation},
        {[&] { return erase(); }, 0},
        {[&] { return writeBlock(words); }, kUnitErrorNoWriteAddress},
        {[&] { return setAddress(); }, 0},
        {[&] { return writeBlock(Bytes(56, 0x33)); }, 0},
        {[&] { return erase(); }, 0},  // discards the run and wants a fresh address
        {[&] { return writeBlock(words); }, kUnitErrorNoWriteAddress},
        {[&] { return setAddress(nearEnd); }, 0},
        {[&] { return writeBlock(words); }, kUnitErrorAddressRange},
        {[&] { return writeBlock(last); }, 0},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(refusal(steps[i].first()), steps[i].second) << "step " << i;
    }
    Bytes expected(nearEnd, 0xFF);
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(unit().flash.contents, expected);
    EXPECT_EQ(unit().flash.bytesWritten, 64u);
}

struct FaultCase {
    FaultKind kind;
    std::uint32_t answer;     // refusal() of the faulty exchange
    std::uint32_t lastError;  // after it
    bool carriedOut;
    std::uint64_t waitedMicros;
};

// The fault hits the second lock request only; the exchange after it gets its own answer.
TEST_F(SimulatedUnitTest, EachFaultKindDisturbsItsExchangeAsDeclared) {
    const FaultCase cases[] = {
        {FaultKind::ErrorStatus, 0x0777, 0, false, 0},
        {FaultKind::WrongEcho, 0, 0, true, 0},
        {FaultKind::WriteFails, kNoAnswer, kErrorGenFailure, false, 0},
        {FaultKind::ReadFails, kNoAnswer, kErrorGenFailure, true, 0},
        {FaultKind::NoAnswer, kNoAnswer, kErrorTimeout, false, kReadTimeoutMs * 1000ull},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        plugUnit(makeUnit(Situation::Ready));
        unit().injectFault(kCmdSetSystemLock, c.kind, 2, 0x0777);
        EXPECT_EQ(refusal(lock(false)), 0u);
        const std::uint64_t before = clock.nowMicros();
        const Bytes answer = lock(true);
        EXPECT_EQ(refusal(answer), c.answer);
        EXPECT_EQ(hid.lastError(), c.lastError);
        EXPECT_EQ(unit().flash.systemLock, c.carriedOut);
        EXPECT_EQ(clock.nowMicros() - before, c.waitedMicros);
        EXPECT_EQ(unit().deliveredCount(kCmdSetSystemLock),
                  c.kind == FaultKind::WriteFails ? 1u : 2u);
        if (!answer.empty()) {  // a refusal echoes the state held, a wrong echo flips the new one
            EXPECT_EQ(answer[3], 0);
        }
        EXPECT_EQ(lock(true).at(3), 1);
    }
    EXPECT_TRUE(clock.pauses().empty());
}

}  // namespace
}  // namespace talo::sim::test
