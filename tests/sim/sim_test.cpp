#include <gtest/gtest.h>

#include <functional>

#include "device/byte_order.h"
#include "device/commands.h"
#include "sim/scenarios.h"
#include "sim/sim_errors.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What the unit answered: 0 accepted, the code of a refusal, kNoAnswer after a failed transfer.
constexpr std::uint32_t kNoAnswer = 0xFFFFFFFF;
std::uint32_t refusal(const Bytes& answer) {
    if (answer.empty()) {
        return kNoAnswer;
    }
    return answer[1] == kStatusError ? readLe32(&answer[4]) : 0;
}

// Two little-endian words, for request parameters.
Bytes le32(std::uint32_t first, std::uint32_t second = 0) {
    Bytes bytes(8);
    writeLe32(bytes.data(), first);
    writeLe32(bytes.data() + 4, second);
    return bytes;
}

// A mouse, then an open ready unit driven with raw reports, so that the simulated stack is
// checked on its own. A listener records plug events.
class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mouse = hid.addForeignDevice(0x046D, 0xC52B);
        plugUnit(makeUnit(Situation::Ready));
        hid.setListener([this](bool arrived, const std::u16string& path) {
            events.emplace_back(arrived, path);
        });
    }
    void plugUnit(SimulatedUnit newUnit) {
        id = hid.addUnit(std::move(newUnit));
        handle = hid.open(hid.path(id));
    }
    SimulatedUnit& unit() { return hid.unit(id); }

    // A whole output report: report id, code, length byte, byte 3, then `params` from byte 4.
    Bytes request(std::uint8_t code, std::uint8_t lengthByte, std::uint8_t byte3 = 0,
                  const Bytes& params = {}) {
        Bytes report(unit().outputReportLength, 0);
        const Bytes head{kOutputReportId, code, lengthByte, byte3};
        std::copy(params.begin(), params.end(),
                  std::copy(head.begin(), head.end(), report.begin()));
        return report;
    }
    // Writes `report` and reads the answer; empty when either transfer failed.
    Bytes exchange(const Bytes& report) {
        Bytes answer(unit().inputReportLength, 0);
        const bool ok = hid.writeReport(handle, report.data(), report.size()) &&
                        hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs);
        return ok ? answer : Bytes{};
    }
    Bytes lock(bool on) { return exchange(request(kCmdSetSystemLock, 1, on ? 1 : 0)); }
    Bytes protect(bool on) { return exchange(request(kCmdSetWriteProtect, 1, on ? 1 : 0)); }
    Bytes erase(std::uint32_t word = kConfirmationWord) {
        return exchange(request(kCmdEraseFirmware, 4, 0, le32(word)));
    }
    Bytes setAddress(std::uint32_t address = 0, std::uint32_t word = kConfirmationWord) {
        return exchange(request(kCmdSetWriteAddress, 9, 1, le32(address, word)));
    }
    Bytes writeBlock(const Bytes& data) {
        return exchange(request(kCmdWriteBlock, static_cast<std::uint8_t>(data.size()), 0, data));
    }

    VirtualClock clock;
    SimHidPlatform hid{clock};
    DeviceId mouse = 0;
    DeviceId id = 0;
    HidHandle handle = kInvalidHidHandle;
    std::vector<std::pair<bool, std::u16string>> events;
};

// Bootloader identity is packed without alignment.
TEST_F(SimTest, IdentifyAnswersPackTheBootloaderIdentityUnaligned) {
    SimulatedUnit bootloader = makeUnit(Situation::Bootloader);
    bootloader.inputReportLength = 15;  // a short report carries only what fits
    plugUnit(bootloader);
    EXPECT_EQ(exchange(request(kCmdIdentify, 0)),
              (Bytes{0x02, 0x00, kCmdIdentify, 0x01, 0x11, 0x33, 0x22, 0x77, 0x66, 0x55, 0x44, 0xBB,
                     0xAA, 0x99, 0x88}));
}

TEST_F(SimTest, MalformedOrImpossibleRequestsAreRefused) {
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
TEST_F(SimTest, FlashIsWrittenOnlyAfterEveryStepAndWithinItsCapacity) {
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
    Bytes expected(FlashModel::kCapacity, 0xFF);
    std::copy(last.begin(), last.end(), expected.begin() + nearEnd);
    EXPECT_EQ(unit().flash.contents, expected);
    EXPECT_EQ(unit().flash.bytesWritten, 64u);
}

// The fault hits the second lock request only. A refusal echoes the state held (off), a wrong echo
// flips the new one (on).
TEST_F(SimTest, EachFaultKindDisturbsItsExchangeAsDeclared) {
    // kind, refusal() of the faulty exchange, lastError() after it, lock set, time passed
    const std::tuple<FaultKind, std::uint32_t, std::uint32_t, bool, std::uint64_t> cases[] = {
        {FaultKind::ErrorStatus, 0x0777, 0, false, 0},
        {FaultKind::WrongEcho, 0, 0, true, 0},
        {FaultKind::WriteFails, kNoAnswer, kErrorGenFailure, false, 0},
        {FaultKind::ReadFails, kNoAnswer, kErrorGenFailure, true, 0},
        {FaultKind::NoAnswer, kNoAnswer, kErrorTimeout, false, kReadTimeoutMs * 1000ull},
    };
    for (const auto& [kind, answered, error, locked, waited] : cases) {
        SCOPED_TRACE(static_cast<int>(kind));
        plugUnit(makeUnit(Situation::Ready));
        unit().injectFault(kCmdSetSystemLock, kind, 2, 0x0777);
        EXPECT_EQ(refusal(lock(false)), 0u);
        const std::uint64_t before = clock.nowMicros();
        const Bytes answer = lock(true);
        EXPECT_EQ(refusal(answer), answered);
        EXPECT_EQ(hid.lastError(), error);
        EXPECT_EQ(unit().flash.systemLock, locked);
        EXPECT_EQ(clock.nowMicros() - before, waited);
        EXPECT_EQ(unit().deliveredCount(kCmdSetSystemLock),
                  kind == FaultKind::WriteFails ? 1u : 2u);
        EXPECT_TRUE(answer.empty() || answer[3] == 0);
    }
}

TEST_F(SimTest, TransfersFailWithTheCodeARealStackGives) {
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
}

TEST_F(SimTest, LatencyPassesWithoutAPauseAndTooMuchOfItTimesOut) {
    unit().exchangeLatencyMicros = 2500;
    clock.sleepMs(1000);
    EXPECT_EQ(refusal(lock(true)), 0u);
    EXPECT_EQ(clock.nowMicros(), 1'002'500u);
    EXPECT_EQ(clock.totalPausedMs(), 1000u);
    unit().exchangeLatencyMicros = kReadTimeoutMs * 1000ull + 1;
    EXPECT_EQ(refusal(lock(false)), kNoAnswer);
    EXPECT_EQ(hid.lastError(), kErrorTimeout);
}

TEST_F(SimTest, ClaimsFollowTheSharedAndExclusiveRules) {
    const HidHandle other = hid.open(hid.path(id));
    EXPECT_TRUE(hid.claim(handle, UnitClaim::Shared));
    EXPECT_TRUE(hid.claim(other, UnitClaim::Shared));
    EXPECT_FALSE(hid.claim(other, UnitClaim::Exclusive));
    hid.releaseClaim(other);
    EXPECT_TRUE(hid.claim(handle, UnitClaim::Exclusive));  // its own claim is no conflict
    EXPECT_FALSE(hid.claim(other, UnitClaim::Shared));
    hid.close(handle);  // ends the claim
    EXPECT_TRUE(hid.claim(other, UnitClaim::Exclusive));
}

// Unplugged by its second block: gone from the list and from every transfer on its handle
// until it is plugged in again under its old path.
TEST_F(SimTest, UnpluggedUnitReachesTheListenerAndFailsEveryTransfer) {
    const std::u16string path = hid.path(id);
    unit().disconnectAtWriteBlock = 2;
    unit().flash = FlashModel{true, false, true, true, 0, {}, 0};  // ready for blocks
    EXPECT_EQ(refusal(writeBlock(Bytes(4, 1))), 0u);
    EXPECT_EQ(refusal(writeBlock(Bytes(4, 2))), kNoAnswer);
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);
    hid.unplug(id);  // once is enough
    std::vector<std::u16string> paths;
    EXPECT_TRUE(hid.listInterfaces(paths));
    EXPECT_EQ(paths, std::vector{hid.path(mouse)});
    EXPECT_EQ(hid.open(path), kInvalidHidHandle);
    Bytes answer(65);
    EXPECT_FALSE(hid.readReport(handle, answer.data(), answer.size(), kReadTimeoutMs));
    EXPECT_EQ(hid.lastError(), kErrorDeviceNotConnected);

    hid.plug(id);
    hid.plug(id);
    EXPECT_EQ(events, (decltype(events){{false, path}, {true, path}}));
    hid.close(handle);
    hid.close(handle);  // already closed
    EXPECT_EQ(hid.invalidCloseCount(), 1u);
    EXPECT_EQ(hid.openHandles(id), 0u);
}

// Not a VirtualClock, so passTime waits for real; its time moves 5 ms with every reading.
struct SteppingClock final : Clock {
    void sleepMs(std::uint32_t) override {}
    std::uint64_t nowMicros() const override { return now += 5000; }
    mutable std::uint64_t now = 0;
};

TEST(PassTimeTest, RealClockCallsTheServiceWhileMoreThanTenMillisecondsAreLeft) {
    SteppingClock clock;
    int calls = 0;
    passTime(clock, 20'000, [&calls] { ++calls; });
    EXPECT_EQ(calls, 1);  // with 15 ms left; not with 10 or 5
    EXPECT_EQ(clock.now, 25'000u);
}

}  // namespace
}  // namespace talo::sim
