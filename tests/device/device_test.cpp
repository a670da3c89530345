#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <numeric>

#include "device/byte_order.h"
#include "device/clock.h"
#include "device/commands.h"
#include "device/session.h"
#include "device/utf8_text.h"
#include "sim/scenarios.h"
#include "sim/sim_errors.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::FaultKind;
using sim::Situation;

// Sessions and commands against simulated units.
class LinkTest : public ::testing::Test {
  protected:
    // A call and the leading bytes of the request it sends; the rest of the report is zero.
    using Command = std::pair<std::function<std::int32_t()>, Bytes>;

    // Plugs a unit in as the only device present.
    sim::DeviceId addUnit(sim::SimulatedUnit unit) {
        for (sim::DeviceId other = 0; other < hid.deviceCount(); ++other) {
            hid.unplug(other);
        }
        return hid.addUnit(std::move(unit));
    }
    static sim::SimulatedUnit unitOf(Situation situation, std::uint32_t output = 65,
                                     std::uint32_t input = 65, std::uint16_t product = 1) {
        sim::SimulatedUnit unit = sim::makeUnit(situation);
        unit.outputReportLength = output;
        unit.inputReportLength = input;
        unit.productId = product;
        return unit;
    }
    // Opens a ready unit, locked and unprotected, with an empty log.
    void open(std::uint32_t output = 65, std::uint32_t input = 65) {
        sim::SimulatedUnit unit = unitOf(Situation::Ready, output, input);
        unit.flash = sim::FlashModel{true, false, false, false, 0, {}, 0};
        id = addUnit(std::move(unit));
        ASSERT_EQ(openSession(link, session), kResultOk);
        this->unit().clearLog();
        std::iota(data.begin(), data.end(), std::uint8_t{0x10});
        info.fill(0x5A);
    }
    sim::SimulatedUnit& unit() { return hid.unit(id); }
    bool isNoDeviceState() const {
        return !session.isOpen() && !session.devicePath && session.outputReportLength == 0 &&
               session.productId == 0 && session.attachedType == 0;
    }

    // In an order the unit accepts; the first of each code is the one failures are tried on.
    std::vector<Command> commands() {
        Bytes block{0x01, 0x1B, 56, 0x00};
        std::copy_n(data.begin(), 56, std::back_inserter(block));
        auto& l = link;
        auto& s = session;
        return {
            {[&] { return Identify(l, s, identity); }, {0x01, 0x08, 0x00}},
            {[&] { return ReadUnitMemory(l, s, unitInfo); }, {1, 0x0A, 12, 0, 0, 0xFC, 0x01, 0x08}},
            {[&] { return ReadControllerInfo(l, s, info); },
             {0x01, 0x1D, 0x08, 0x00, 32, 0, 0, 0, 0xE0, 0xFF, 0xFF, 0xFF}},
            {[&] { return ReadControllerIdentity(l, s, controller); }, {0x01, 0x22, 0x00}},
            {[&] { return SetSystemLock(l, s, true); }, {0x01, 0x0B, 0x01, 0x01}},
            {[&] { return SetWriteProtect(l, s, true); }, {0x01, 0x20, 0x01, 0x01}},
            {[&] { return SetWriteProtect(l, s, false); }, {0x01, 0x20, 0x01, 0x00}},
            {[&] { return EraseFirmware(l, s); }, {0x01, 0x1E, 0x04, 0x00, 0xB1, 0xA9, 0xC7, 0x5E}},
            {[&] { return SetWriteAddress(l, s); },
             {0x01, 0x1F, 0x09, 0x01, 0, 0, 0, 0, 0xB1, 0xA9, 0xC7, 0x5E}},
            {[&] { return WriteBlock(l, s, data.data(), 14); }, block},
        };
    }

    sim::VirtualClock clock;
    sim::SimHidPlatform hid{clock};
    DeviceLink link{hid, clock};
    DeviceSession session;
    sim::DeviceId id = 0;
    Bytes data = Bytes(60);
    IdentifyAnswer identity{};
    UnitInfoBlock unitInfo{};
    ControllerInfoBlock info{};
    ControllerIdentityBlock controller{};
};

TEST_F(LinkTest, SessionTakesTheFirstProgrammingUnitInEnumerationOrderAndClosesTheRest) {
    hid.addForeignDevice(0x046D, 0xC077);
    hid.addUnopenableDevice(makerVendorId(), kProductTunePuck);
    hid.addDeviceWithoutAttributes();
    EXPECT_EQ(openSession(link, session), kResultNoProgrammingUnit);
    EXPECT_TRUE(isNoDeviceState());

    const auto productThree = hid.addUnit(unitOf(Situation::Ready, 65, 65, 3));
    const auto first = hid.addUnit(unitOf(Situation::Ready, 65, 65, kProductTuneCard));
    const auto second = hid.addUnit(unitOf(Situation::Ready, 65, 65, kProductTunePuck));
    EXPECT_EQ(openSession(link, session), kResultOk);
    EXPECT_EQ(session.devicePath, hid.path(first));
    EXPECT_EQ(session.productId, kProductTuneCard);
    EXPECT_TRUE(hid.unit(productThree).requests.empty());
    EXPECT_EQ(hid.openAttempts(second), 0U);
    EXPECT_EQ(hid.totalOpenHandles(), 1U);

    // Opening again closes the open unit first, also when nothing can be listed.
    EXPECT_EQ(openSession(link, session), kResultOk);
    hid.setListingFails(true);
    EXPECT_EQ(openSession(link, session), kResultNoUnit);
    EXPECT_TRUE(isNoDeviceState());
    closeSession(link, session);  // closing an empty record closes nothing
    EXPECT_EQ(hid.totalOpenHandles(), 0U);
    EXPECT_EQ(hid.invalidCloseCount(), 0U);
}

// The record holds what the unit reported; a controller's blocks are read only in the mode
// that links to one, and only when one is attached. Report lengths too short for the protocol
// or implausibly long refuse the unit before any request. A failing step ends it with its result.
TEST_F(LinkTest, IdentificationReadsWhatTheUnitOffers) {
    using enum Situation;
    using Codes = std::vector<std::uint8_t>;
    const Codes memory{kCmdIdentify, kCmdReadUnitMemory};
    const Codes infoRead{kCmdIdentify, kCmdReadControllerInfo};
    const Codes all{kCmdIdentify, kCmdReadControllerInfo, kCmdReadControllerIdentity};
    // situation, report lengths, command whose answer cannot be read, result, commands delivered
    const std::tuple<Situation, std::uint32_t, std::uint32_t, std::uint8_t, std::int32_t, Codes>
        cases[] = {
            {Ready, 65, 65, 0, kResultOk, all},
            {NoController, 65, 65, 0, kResultOk, {kCmdIdentify}},
            {Bootloader, 65, 65, 0, kResultOk, memory},
            {Ready, 59, 65, 0, kResultNoUnit, {}},
            {Ready, 65, 43, 0, kResultNoUnit, {}},
            {Ready, 4097, 65, 0, kResultNoUnit, {}},
            {Ready, 65, 4097, 0, kResultNoUnit, {}},
            {Ready, 65, 65, kCmdIdentify, kResultReadFailed, {kCmdIdentify}},
            {Bootloader, 65, 65, kCmdReadUnitMemory, kResultReadFailed, memory},
            {Ready, 65, 65, kCmdReadControllerInfo, kResultReadFailed, infoRead},
            {Ready, 65, 65, kCmdReadControllerIdentity, kResultReadFailed, all},
        };
    const auto fields = [](const auto& x) {
        return std::tuple(x.unitMode, x.unitInfoWord, x.attachedType, x.attachedDetail, x.bootInfoA,
                          x.bootInfoB, x.bootInfoC, x.bootInfoD, x.bootInfoE);
    };
    for (const auto& [situation, output, input, failing, result, commands] : cases) {
        SCOPED_TRACE(::testing::Message() << sim::situationName(situation) << " " << output << "/"
                                          << input << " " << int{failing});
        sim::SimulatedUnit created = unitOf(situation, output, input);
        created.injectFault(failing, FaultKind::ReadFails);
        const sim::SimulatedUnit& unit = hid.unit(addUnit(created));
        EXPECT_EQ(openSession(link, session), result);
        EXPECT_EQ(unit.deliveredCommands(), commands);
        if (result != kResultOk) {
            continue;
        }
        EXPECT_EQ(fields(session), fields(unit));
        EXPECT_EQ(session.unitFirmwareVersion,
                  unit.unitMode != 0 ? readLe32(&unit.unitMemory[4]) : unit.unitFirmwareVersion);
        // The controller blocks are read from answer byte 4, and only with a controller attached.
        EXPECT_EQ(std::tuple(session.controllerFirmwareVersion(), session.controllerTypeCode(),
                             session.controllerBootloaderVersion()),
                  commands.size() == 3
                      ? std::tuple(sim::kOlderControllerVersion, sim::kSupportedTypeCode,
                                   sim::kControllerBootloaderVersion)
                      : std::tuple(std::uint16_t{0}, 0u, 0u));
    }
}

// A unit another program is writing gets not a single report; otherwise identification runs
// under a shared claim that ends with it, so the unit is free for a writer afterwards.
TEST_F(LinkTest, ClaimedUnitIsPassedOverWithoutAWordAndIdentifyingClaimsOnlyBriefly) {
    const auto unit = addUnit(sim::makeUnit(Situation::Ready));
    hid.setClaimedElsewhere(unit, true);
    EXPECT_EQ(openSession(link, session), kResultUnitBusy);
    EXPECT_TRUE(isNoDeviceState());
    EXPECT_TRUE(hid.unit(unit).requests.empty());
    EXPECT_EQ(hid.totalOpenHandles(), 0U);

    hid.setClaimedElsewhere(unit, false);
    EXPECT_EQ(openSession(link, session), kResultOk);
    EXPECT_FALSE(hid.claimOf(session.handle).has_value());
    EXPECT_TRUE(hid.claim(session.handle, UnitClaim::Exclusive));
}

// Report lengths: the common one, the shortest usable pair and the longest. Without an open
// unit, or for an oversized block, nothing is sent.
TEST_F(LinkTest, CommandsGoOutFramedInWholeReportsAndOnlyToAnOpenUnit) {
    for (const auto& [output, input] : {std::pair{65u, 65u}, {60u, 44u}, {4096u, 4096u}}) {
        open(output, input);
        for (const Command& command : commands()) {
            SCOPED_TRACE(::testing::Message() << output << " " << int{command.second[1]});
            const std::uint64_t start = clock.nowMicros();
            EXPECT_EQ(command.first(), kResultOk);
            Bytes expected = command.second;
            expected.resize(output, 0);
            EXPECT_EQ(unit().requests.back().bytes, expected);
            EXPECT_EQ(clock.nowMicros() - start,
                      command.second[1] == kCmdEraseFirmware ? kEraseAnswerDelayMs * 1000ull : 0u);
        }
    }
    unit().clearLog();
    EXPECT_EQ(WriteBlock(link, session, data.data(), kMaxBlockWords + 1), kResultBadArgument);
    closeSession(link, session);
    for (const Command& command : commands()) {
        EXPECT_EQ(command.first(), kResultNoUnit) << int{command.second[1]};
    }
    EXPECT_TRUE(unit().requests.empty());
}

// A failed command reports its step's code and leaves the output block alone; the system's
// error code of the failed transfer stays readable. The erase waits for its answer only once
// its request went out.
TEST_F(LinkTest, CommandFailuresAndUnitErrorsBecomeTheDeclaredResults) {
    using enum FaultKind;
    constexpr std::uint32_t kGen = sim::kErrorGenFailure;
    // command, fault, unit error code, result, system error code
    const std::tuple<std::uint8_t, FaultKind, std::uint32_t, std::int32_t, std::uint32_t> cases[] =
        {
            {kCmdReadUnitMemory, WriteFails, 0, kResultNoUnit, kGen},
            {kCmdEraseFirmware, WriteFails, 0, kResultWriteFailed, kGen},
            {kCmdEraseFirmware, NoAnswer, 0, kResultReadFailed, sim::kErrorTimeout},
            // Error codes are 16 bits wide for the controller reads, 32 bits for the rest.
            {kCmdReadControllerInfo, ErrorStatus, 0x00010005, 5, 0},
            {kCmdReadControllerIdentity, ErrorStatus, 0x00010005, 5, 0},
            {kCmdEraseFirmware, ErrorStatus, 0x00010005, 0x00010005, 0},
            {kCmdSetWriteAddress, ErrorStatus, 0x00010005, 0x00010005, 0},
            {kCmdWriteBlock, ErrorStatus, 0x00010005, 0x00010005, 0},
            {kCmdSetWriteProtect, ErrorStatus, 0x00010005, 0x00010005, 0},
            // An error answer with code 0 counts as success, without data and without an echo.
            {kCmdReadControllerInfo, ErrorStatus, 0, kResultOk, 0},
            {kCmdSetWriteProtect, ErrorStatus, 0, kResultOk, 0},
            // The lock looks only at its echo, which a refusal gives as the state held (on).
            {kCmdSetSystemLock, ErrorStatus, 0x00010005, kResultOk, 0},
            {kCmdSetSystemLock, WrongEcho, 0, kResultEchoMismatch, 0},
            {kCmdSetWriteProtect, WrongEcho, 0, kResultEchoMismatch, 0},
        };
    for (const auto& [code, kind, unitError, result, systemError] : cases) {
        SCOPED_TRACE(::testing::Message() << int{code} << " " << int(kind));
        open();
        const auto all = commands();
        const auto command = std::find_if(
            all.begin(), all.end(), [&](const Command& known) { return known.second[1] == code; });
        unit().injectFault(code, kind, 0, unitError);
        clock.clearPauses();
        EXPECT_EQ(command->first(), result);
        EXPECT_EQ(hid.lastError(), systemError);
        EXPECT_EQ(Bytes(info.begin(), info.end()), Bytes(32, 0x5A));
        const bool erased = code == kCmdEraseFirmware && kind != WriteFails;
        EXPECT_EQ(clock.totalPausedMs(), erased ? kEraseAnswerDelayMs : 0u);
    }
}

// Only the lower bound of a pause is checked: a loaded machine may stretch it, but the unit's
// fixed pacing must never be cut short. A pause sleeps rather than spins.
TEST(SteadyClockTest, PausesAreNeverShorterThanAskedAndLeaveTheProcessorFree) {
    SteadyClock clock;
    [[maybe_unused]] const std::clock_t processorBefore = std::clock();
    for (const std::uint32_t ms : {0U, 1U, 2U, 5U, 40U}) {
        const std::uint64_t before = clock.nowMicros();
        clock.sleepMs(ms);
        EXPECT_GE(clock.nowMicros() - before, std::uint64_t{ms} * 1000U) << ms << " ms";
    }
#ifndef _WIN32  // the Windows C runtime's clock() counts wall time, not processor time
    EXPECT_LT(std::clock() - processorBefore, CLOCKS_PER_SEC / 50);  // 20 ms of 48 ms paused
#endif
}

// Each encoding length at both of its ends, in a path.
TEST(Utf8TextTest, TextSurvivesTheRoundTripExactly) {
    const std::u16string wide = u"/dev/\u007F\u0080\u07FF\u0800\U00010000\uE000\uFFFF\U0010FFFF";
    const std::string narrow =
        "/dev/"
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xF0\x90\x80\x80\xEE\x80\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF";
    std::string utf8;
    std::u16string utf16;
    EXPECT_TRUE(utf16ToUtf8(wide, utf8));
    EXPECT_EQ(utf8, narrow);
    EXPECT_TRUE(utf8ToUtf16(narrow, utf16));
    EXPECT_EQ(utf16, wide);
}

TEST(Utf8TextTest, TextWithoutAnExactCounterpartIsRefusedAndLeavesTheOutputAlone) {
    std::u16string wide = u"kept";
    for (const char* bad : {"\xC0\xAF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\x80", "a\xC2",
                            "\xE2\x82", "\xE2\x28\xA1", "\xED\xA0\x80", "\xED\xBF\xBF",
                            "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"}) {
        EXPECT_FALSE(utf8ToUtf16(bad, wide)) << bad;
    }
    EXPECT_FALSE(utf8ToUtf16(std::string_view("\xE2\x82\xAC", 2), wide));  // cut short
    EXPECT_EQ(wide, u"kept");

    // Unpaired surrogates: a high one before a letter, a low one, a high one at the end.
    const std::u16string lone{u'a', 0xD800, u'b', 0xDC00, 0xDBFF};
    std::string narrow = "kept";
    EXPECT_FALSE(utf16ToUtf8(lone, narrow));
    EXPECT_EQ(narrow, "kept");
    EXPECT_EQ(toUtf8Lossy(lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace talo
