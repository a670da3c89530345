#include "device/commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "device/session.h"
#include "sim/scenarios.h"
#include "sim/sim_errors.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"

namespace talo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::FaultKind;

// Each command against an open simulated unit.
class CommandsTest : public ::testing::Test {
  protected:
    struct Command {
        std::function<std::int32_t()> run;
        Bytes request;  // leading bytes; the rest of the report is zero
    };

    void open(std::uint32_t outputLength = 65, std::uint32_t inputLength = 65) {
        sim::SimulatedUnit unit = sim::makeUnit(sim::Situation::Ready);
        unit.outputReportLength = outputLength;
        unit.inputReportLength = inputLength;
        unit.flash = sim::FlashModel{true, false, false, false, 0, {}, 0};  // locked, unprotected
        if (hid.deviceCount() != 0) {
            hid.unplug(id);  // the new unit is the one opened
        }
        id = hid.addUnit(std::move(unit));
        ASSERT_EQ(openSession(link, session), kResultOk);
        this->unit().clearLog();
        std::iota(data.begin(), data.end(), std::uint8_t{0x10});
        info.fill(0x5A);
        controller.fill(0x5A);
    }
    sim::SimulatedUnit& unit() { return hid.unit(id); }

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
            {[&] { return WriteBlock(l, s, data.data(), 0); }, {0x01, 0x1B, 0x00}},
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

// Report lengths: the common one, the shortest usable pair, and a long output report.
TEST_F(CommandsTest, RequestsGoOutFramedInWholeReportsAndAnswersAreReadWhole) {
    for (const auto& [output, input] : {std::pair{65u, 65u}, {60u, 44u}, {1025u, 44u}}) {
        open(output, input);
        for (const Command& command : commands()) {
            SCOPED_TRACE(::testing::Message() << output << " " << int{command.request[1]});
            clock.clearPauses();
            EXPECT_EQ(command.run(), kResultOk);
            Bytes expected = command.request;
            expected.resize(output, 0);
            EXPECT_EQ(unit().requests.back().bytes, expected);
            EXPECT_EQ(clock.totalPausedMs(),
                      command.request[1] == kCmdEraseFirmware ? kEraseAnswerDelayMs : 0u);
        }
        EXPECT_EQ(unit().flash.contents, Bytes(data.begin(), data.begin() + 56));
    }
}

TEST_F(CommandsTest, NothingIsSentWithoutAnOpenUnitOrForAnOversizedBlock) {
    open();
    EXPECT_EQ(WriteBlock(link, session, data.data(), kMaxBlockWords + 1), kResultBadArgument);
    closeSession(link, session);
    for (const Command& command : commands()) {
        EXPECT_EQ(command.run(), kResultNoUnit) << int{command.request[1]};
    }
    EXPECT_TRUE(unit().requests.empty());
}

// A failed command reports its step's code and leaves the output blocks alone; the system's
// error code of the failed transfer stays readable. The erase waits for its answer only once
// its request went out.
TEST_F(CommandsTest, FailuresAndUnitErrorsBecomeTheDeclaredResults) {
    using enum FaultKind;
    constexpr std::uint32_t kGen = sim::kErrorGenFailure;
    // command, fault, unit error code, result, system error code
    const std::tuple<std::uint8_t, FaultKind, std::uint32_t, std::int32_t, std::uint32_t> cases[] =
        {
            {kCmdIdentify, WriteFails, 0, kResultWriteFailed, kGen},
            {kCmdReadUnitMemory, WriteFails, 0, kResultNoUnit, kGen},
            {kCmdEraseFirmware, WriteFails, 0, kResultWriteFailed, kGen},
            {kCmdSetSystemLock, WriteFails, 0, kResultWriteFailed, kGen},
            {kCmdReadControllerInfo, ReadFails, 0, kResultReadFailed, kGen},
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
    const Bytes untouched(32, 0x5A);
    for (const auto& [code, kind, unitError, result, systemError] : cases) {
        SCOPED_TRACE(::testing::Message() << int{code} << " " << int(kind));
        open();
        const auto all = commands();
        const auto command = std::find_if(
            all.begin(), all.end(), [&](const Command& known) { return known.request[1] == code; });
        unit().injectFault(code, kind, 0, unitError);
        clock.clearPauses();
        EXPECT_EQ(command->run(), result);
        EXPECT_EQ(hid.lastError(), systemError);
        EXPECT_EQ(Bytes(info.begin(), info.end()), untouched);
        EXPECT_EQ(Bytes(controller.begin(), controller.begin() + 32), untouched);
        const bool erased = code == kCmdEraseFirmware && kind != WriteFails;
        EXPECT_EQ(clock.totalPausedMs(), erased ? kEraseAnswerDelayMs : 0u);
    }
}

}  // namespace
}  // namespace talo
