#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>

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
    return answer.empty() ? kNoAnswer : answer[1] == kStatusError ? readLe32(&answer[4]) : 0;
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

// Requests in order, on the fixture's ready unit until a row names another situation. Malformed
// requests are refused first; writing then needs, in this order: a controller, the lock, no
// protection, erased flash and a write address within the flash.
TEST_F(SimTest, RequestsAreCarriedOutOnlyWhenWellFormedAndPossible) {
    using enum Situation;
    constexpr std::uint32_t kBad = kUnitErrorBadRequest;
    constexpr std::uint32_t kNone = kUnitErrorNoController;
    constexpr std::uint32_t kWord = kConfirmationWord;
    constexpr std::uint32_t kNearEnd = FlashModel::kCapacity - 8;
    const Bytes words(12, 0x11);
    const Bytes last(8, 0x22);
    // situation, code, length byte, byte 3, parameters from byte 4, refusal()
    const std::tuple<Situation, std::uint8_t, std::uint8_t, std::uint8_t, Bytes, std::uint32_t>
        steps[] = {
            {Ready, 0x42, 0, 0, {}, kBad},
            {Ready, kCmdIdentify, 1, 0, {}, kBad},
            {Ready, kCmdReadUnitMemory, 12, 0, le32(0), kBad},
            {Ready, kCmdSetSystemLock, 1, 2, {}, kBad},
            {Ready, kCmdReadControllerInfo, 8, 0, le32(32), kBad},
            {Ready, kCmdReadControllerIdentity, 1, 0, {}, kBad},
            {Ready, kCmdWriteBlock, 6, 0, {}, kBad},
            {Ready, kCmdWriteBlock, 60, 0, {}, kBad},
            {Ready, kCmdSetWriteAddress, 9, 0, le32(0, kWord), kBad},
            {Ready, kCmdSetWriteProtect, 2, 1, {}, kBad},
            {Ready, kCmdEraseFirmware, 3, 0, le32(kWord), kBad},
            {Ready, kCmdEraseFirmware, 4, 0, le32(kWord), kUnitErrorNotLocked},
            {Ready, kCmdSetWriteProtect, 1, 0, {}, kUnitErrorNotLocked},
            {Ready, kCmdSetSystemLock, 1, 1, {}, 0},
            {Ready, kCmdEraseFirmware, 4, 0, le32(kWord), kUnitErrorWriteProtected},
            {Ready, kCmdSetWriteProtect, 1, 0, {}, 0},
            {Ready, kCmdSetWriteAddress, 9, 1, le32(0, 0), kUnitErrorBadConfirmation},
            {Ready, kCmdSetWriteAddress, 9, 1, le32(FlashModel::kCapacity, kWord),
             kUnitErrorAddressRange},
            {Ready, kCmdSetWriteAddress, 9, 1, le32(0, kWord), 0},
            {Ready, kCmdWriteBlock, 12, 0, words, kUnitErrorNotErased},
            {Ready, kCmdEraseFirmware, 4, 0, le32(kWord ^ 1), kUnitErrorBadConfirmation},
            {Ready, kCmdEraseFirmware, 4, 0, le32(kWord), 0},
            {Ready, kCmdWriteBlock, 12, 0, words, kUnitErrorNoWriteAddress},
            {Ready, kCmdSetWriteAddress, 9, 1, le32(0, kWord), 0},
            {Ready, kCmdWriteBlock, 56, 0, Bytes(56, 0x33), 0},
            {Ready, kCmdEraseFirmware, 4, 0, le32(kWord), 0},  // discards the run and the address
            {Ready, kCmdWriteBlock, 12, 0, words, kUnitErrorNoWriteAddress},
            {Ready, kCmdSetWriteAddress, 9, 1, le32(kNearEnd, kWord), 0},
            {Ready, kCmdWriteBlock, 12, 0, words, kUnitErrorAddressRange},
            {Ready, kCmdWriteBlock, 8, 0, last, 0},
            {NoController, kCmdSetWriteProtect, 1, 0, {}, kNone},
            {NoController, kCmdEraseFirmware, 4, 0, le32(kWord), kNone},
            {NoController, kCmdSetWriteAddress, 9, 1, le32(0, kWord), kNone},
            {NoController, kCmdReadControllerInfo, 8, 0, le32(32, 0xFFFFFFE0), kNone},
            {Bootloader, kCmdReadControllerIdentity, 0, 0, {}, kNone},
        };
    const DeviceId ready = id;
    EXPECT_EQ(refusal(exchange(Bytes(65, 0))), kBad);  // not an output report
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& [situation, code, length, byte3, params, refused] = steps[i];
        if (situation != Ready && (i == 0 || std::get<0>(steps[i - 1]) != situation)) {
            plugUnit(makeUnit(situation));
        }
        EXPECT_EQ(refusal(exchange(request(code, length, byte3, params))), refused) << "step " << i;
    }
    Bytes expected(FlashModel::kCapacity, 0xFF);
    std::copy(last.begin(), last.end(), expected.begin() + kNearEnd);
    EXPECT_EQ(hid.unit(ready).flash.contents, expected);
    EXPECT_EQ(hid.unit(ready).flash.bytesWritten, 64u);
}

// The second lock request meets a fault or the unit's latency. A refusal echoes the state held
// (off), a wrong echo flips the new one (on). Waiting for an answer is no program pause.
TEST_F(SimTest, FaultsAndLatencyDisturbTheExchangeAsDeclared) {
    using enum FaultKind;
    constexpr std::uint64_t kLimit = kReadTimeoutMs * 1000ull;
    // fault, latency, refusal() of the exchange, lastError() after it, lock set, time passed
    const std::tuple<std::optional<FaultKind>, std::uint64_t, std::uint32_t, std::uint32_t, bool,
                     std::uint64_t>
        cases[] = {
            {ErrorStatus, 0, 0x0777, 0, false, 0},
            {WrongEcho, 0, 0, 0, true, 0},
            {WriteFails, 0, kNoAnswer, kErrorGenFailure, false, 0},
            {ReadFails, 0, kNoAnswer, kErrorGenFailure, true, 0},
            {NoAnswer, 0, kNoAnswer, kErrorTimeout, false, kLimit},
            {std::nullopt, kLimit, 0, 0, true, kLimit},
            {std::nullopt, kLimit + 1, kNoAnswer, kErrorTimeout, true, kLimit},
        };
    for (const auto& [kind, latency, answered, error, locked, waited] : cases) {
        SCOPED_TRACE(::testing::Message()
                     << static_cast<int>(kind.value_or(ErrorStatus)) << " " << latency);
        plugUnit(makeUnit(Situation::Ready));
        unit().injectFault(kCmdSetSystemLock, kind.value_or(ErrorStatus), kind ? 2 : 3, 0x0777);
        EXPECT_EQ(refusal(lock(false)), 0u);
        unit().exchangeLatencyMicros = latency;
        const std::uint64_t before = clock.nowMicros();
        const Bytes answer = lock(true);
        EXPECT_EQ(refusal(answer), answered);
        EXPECT_EQ(hid.lastError(), error);
        EXPECT_EQ(unit().flash.systemLock, locked);
        EXPECT_EQ(clock.nowMicros() - before, waited);
        EXPECT_EQ(unit().deliveredCount(kCmdSetSystemLock), kind == WriteFails ? 1u : 2u);
    }
    EXPECT_EQ(clock.totalPausedMs(), 0u);
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

// Paths open in any letter case. A failed transfer leaves the system's error code, a successful
// one clears it. Unplugged by its second block, the unit is gone from the list and from every
// transfer on its handle until it is plugged in again under its old path.
TEST_F(SimTest, TransfersFailWithTheCodeARealStackGivesAndUnpluggingIsHeard) {
    const std::u16string path = hid.path(id);
    std::u16string shouted = hid.path(mouse);
    std::transform(shouted.begin(), shouted.end(), shouted.begin(),
                   [](char16_t c) { return static_cast<char16_t>(std::toupper(c)); });
    const HidHandle mouseHandle = hid.open(shouted);
    unit().disconnectAtWriteBlock = 2;
    unit().flash = FlashModel{true, false, true, true, 0, {}, 0};  // ready for blocks
    EXPECT_EQ(refusal(exchange(request(kCmdWriteBlock, 4, 0, Bytes(4, 1)))), 0u);
    Bytes report = request(kCmdWriteBlock, 4, 0, Bytes(4, 2));
    const std::tuple<HidHandle, std::size_t, std::uint32_t> cases[] = {
        {handle, 64, kErrorInvalidParameter},
        {handle, 65, kErrorDeviceNotConnected},  // the second block
        {mouseHandle, 65, kErrorGenFailure},
        {0x0BAD, 65, kErrorInvalidHandle},
    };
    for (const auto& [target, length, error] : cases) {
        EXPECT_FALSE(hid.writeReport(target, report.data(), length));
        EXPECT_EQ(hid.lastError(), error);
        EXPECT_FALSE(hid.readReport(target, report.data(), length, kReadTimeoutMs));
        EXPECT_EQ(hid.lastError(), error);
    }
    hid.unplug(id);  // once is enough
    std::vector<std::u16string> paths;
    EXPECT_TRUE(hid.listInterfaces(paths));
    EXPECT_EQ(paths, std::vector{hid.path(mouse)});
    EXPECT_EQ(hid.open(path), kInvalidHidHandle);

    hid.plug(id);
    hid.plug(id);
    EXPECT_EQ(events, (decltype(events){{false, path}, {true, path}}));
    report = request(kCmdIdentify, 0);
    EXPECT_TRUE(hid.writeReport(handle, report.data(), report.size()));
    EXPECT_EQ(hid.lastError(), 0u);
    hid.close(handle);
    hid.close(handle);  // already closed
    EXPECT_EQ(hid.invalidCloseCount(), 1u);
    EXPECT_EQ(hid.openHandles(id), 0u);
}

// Each situation is chosen by its name; any other text leaves the choice alone.
TEST(ScenariosTest, SituationsGoByTheirNamesAndNoOthers) {
    using enum Situation;
    for (const Situation situation : {Ready, Downgrade, Bootloader, NoController, Incompatible}) {
        Situation parsed = situation == Ready ? Incompatible : Ready;
        EXPECT_TRUE(parseSituation(situationName(situation), parsed));
        EXPECT_EQ(parsed, situation);
    }
    Situation kept = Downgrade;
    EXPECT_FALSE(parseSituation("Ready", kept));
    EXPECT_EQ(kept, Downgrade);
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
