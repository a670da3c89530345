#include "update/update_sequence.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "device/commands.h"
#include "resources/firmware_image.h"
#include "sim/sim_errors.h"
#include "tests/update/updater_fixture.h"

namespace talo::test {
namespace {

std::vector<std::uint8_t> syntheticImage(std::size_t size) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return image;
}

// What every successful update tells its view.
const Events kWritten = {"hold claimed",  "write begins",         "step Lock",  "step Unprotect",
                         "step Erase",    "step SetWriteAddress", "step Write", "progress begins",
                         "progress ends", "step Restore",         "release",    "write ends",
                         "offer 0",       "versions open",        "succeeded"};

// Armed with a ready unit (controller firmware 1.7) and a 100-byte image: two full blocks and
// a tail of one word. It keeps the attempts handed to the journal, and describes each in
// `records` as "written" or as the view's failure line, with " claimed" when the unit was
// claimed at that moment.
class UpdateTest : public UpdaterTest, public UpdateJournal {
  protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        context.journal = this;
        arm(sim::makeUnit(sim::Situation::Ready));
        useImage(syntheticImage(100));
    }
    void recordAttempt(const UpdateAttempt& attempt) override {
        attempts.push_back(attempt);
        records.push_back((attempt.written ? "written"
                                           : failureLine(attempt.failedStep, attempt.result,
                                                         attempt.systemError)) +
                          claimed());
    }
    void arm(sim::SimulatedUnit unit) {
        unitId = startWith(std::move(unit));
        ASSERT_TRUE(session.isOpen());
        forget(unitId);
    }
    void useImage(std::vector<std::uint8_t> bytes) {
        image = std::move(bytes);
        context.image = {image.data(), image.size()};
    }
    void replug(sim::SimulatedUnit fresh = sim::makeUnit(sim::Situation::Ready)) {
        hid.unplug(unitId);
        notify(kDeviceRemoveComplete, unitId);
        arm(std::move(fresh));
    }
    sim::SimulatedUnit& unit() { return hid.unit(unitId); }

    // The update ended in the failure report: session closed first, then the report.
    void expectFailure(const std::string& failed) {
        const Events tail = {"offer 0", "versions none", failed};
        ASSERT_GE(view.events.size(), tail.size());
        EXPECT_EQ(Events(view.events.end() - 3, view.events.end()), tail);
        EXPECT_FALSE(session.isOpen());
        EXPECT_EQ(hid.totalOpenHandles(), 0u);
    }

    sim::DeviceId unitId = 0;
    std::vector<std::uint8_t> image;
    std::vector<UpdateAttempt> attempts;
    Events records;
};

TEST_F(UpdateTest, WritesTheCarriedImageRestoresAndHoldsTheUnit) {
    useImage(std::vector<std::uint8_t>(talo_firmware_image,
                                       talo_firmware_image + talo_firmware_image_size));
    unit().serialNumber = u"SN-1";
    runUpdate(context);
    EXPECT_EQ(unit().flash.contents, image);
    EXPECT_EQ(view.events, kWritten);
    const auto& restore = unit().requests;  // write protection on, then the lock off
    ASSERT_GE(restore.size(), 2u);
    EXPECT_EQ((std::array{restore.end()[-2].bytes[1], restore.end()[-2].bytes[3],
                          restore.back().bytes[1], restore.back().bytes[3]}),
              (std::array<std::uint8_t, 4>{kCmdSetWriteProtect, 1, kCmdSetSystemLock, 0}));
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(session.controllerFirmwareVersion(), kImageVersion);

    // One record, made inside the write span, of the unit as found before the first command.
    EXPECT_EQ(records, (Events{"written claimed"}));
    EXPECT_EQ(attempts[0].unit.controllerFirmwareVersion(), sim::kOlderControllerVersion);
    EXPECT_EQ(attempts[0].serialNumber, u"SN-1");
    EXPECT_EQ(attempts[0].durationMicros, clock.nowMicros());  // the clock started with the lock

    // Lock, unprotect, the erase's own answer delay, after the erase, erase ok, address, and
    // one pause after each block.
    std::vector<std::uint32_t> pacing = {20, 20, 1000, 4000, 20, 20};
    pacing.resize(pacing.size() + (image.size() + kBlockBytes - 1) / kBlockBytes, 20);
    EXPECT_EQ(clock.pauses(), pacing);
}

// A tail that is not a whole word still reaches the flash completely, padded with 0xFF.
TEST_F(UpdateTest, LastBlockCarriesEveryBytePaddedToAWord) {
    // image size, length byte of the last block, bytes in the flash
    const std::array<std::size_t, 3> cases[] = {{88, 40, 88}, {89, 44, 92}, {98, 4, 100},
                                                {3, 4, 4},    {95, 48, 96}, {96, 48, 96}};
    for (const auto& [size, lengthByte, flashBytes] : cases) {
        useImage(syntheticImage(size));
        runUpdate(context);
        EXPECT_EQ(unit().deliveredRequests(kCmdWriteBlock).back()->bytes[2], lengthByte) << size;
        std::vector<std::uint8_t> expected = image;
        expected.resize(flashBytes, 0xFF);
        EXPECT_EQ(unit().flash.contents, expected) << size;
    }
}

// Asked only when the controller holds known firmware as new as the image or newer; No sends
// nothing, keeps the unit and is no attempt.
TEST_F(UpdateTest, AsksOnlyForKnownEqualOrNewerFirmwareAndNoSendsNothing) {
    view.answerYes = false;
    for (const int version : {0x0108, 0xFFFE, 0x0107, 0xFFFF}) {
        session.setControllerFirmwareVersion(static_cast<std::uint16_t>(version));
        forget(unitId);
        runUpdate(context);
        if (version == 0x0108 || version == 0xFFFE) {
            EXPECT_EQ(view.events, (Events{"question"})) << version;
            EXPECT_TRUE(unit().requests.empty());
            EXPECT_TRUE(session.isOpen());
            EXPECT_TRUE(records.empty());
        } else {
            EXPECT_EQ(view.events, kWritten) << version;
        }
    }
}

// The step's result and the system's error code are recorded inside the write span and
// reported after it and the progress have ended; nothing more is sent, and the erase's failure
// waits for its pause.
TEST_F(UpdateTest, FailingStepIsRecordedAndReportedWithResultAndSystemError) {
    struct FailingStep {
        std::uint8_t command;
        sim::FaultKind kind;
        std::uint32_t occurrence;
        std::uint32_t unitError;
        std::size_t pauses;
        const char* failed;
    };
    const FailingStep cases[] = {
        {kCmdSetSystemLock, sim::FaultKind::WriteFails, 1, 0, 0, "failed Lock -2 31"},
        {kCmdSetWriteProtect, sim::FaultKind::WrongEcho, 1, 0, 1, "failed Unprotect 1627 0"},
        {kCmdEraseFirmware, sim::FaultKind::ReadFails, 1, 0, 4, "failed Erase -3 31"},
        {kCmdSetWriteAddress, sim::FaultKind::ErrorStatus, 1, 0x00010107, 5,
         "failed SetWriteAddress 65799 0"},
        {kCmdWriteBlock, sim::FaultKind::ReadFails, 2, 0, 7, "failed Write -3 31"},
    };
    for (const FailingStep& step : cases) {
        replug();
        unit().injectFault(step.command, step.kind, step.occurrence, step.unitError);
        runUpdate(context);
        expectFailure(step.failed);
        const auto ends = std::find(view.events.begin(), view.events.end(), "write ends");
        ASSERT_EQ(ends + 4, view.events.end()) << step.failed;
        if (step.command == kCmdWriteBlock) {
            EXPECT_EQ(*(ends - 2), "progress ends");
        }
        EXPECT_EQ(unit().requests.back().command, step.command);
        EXPECT_EQ(records.back(), std::string(step.failed) + " claimed");
        EXPECT_EQ(clock.pauses().size(), step.pauses) << step.failed;
    }
}

// Refusals before the write: nothing is sent, and a result of -1 carries no code to show.
TEST_F(UpdateTest, UpdateWithoutImageOrClaimOrUnitIsRefusedBeforeAnythingIsSent) {
    const std::uint8_t oneByte[] = {0x42};
    for (const FirmwareImage missing : {FirmwareImage{nullptr, 64}, FirmwareImage{oneByte, 0}}) {
        context.image = missing;
        runUpdate(context);
        EXPECT_EQ(view.events, (Events{"offer 0", "versions none", "failed NoImage -1 0"}));
        evaluateReadiness(context, EvaluationCaller::StartUp);
        forget(unitId);
    }
    useImage(syntheticImage(100));
    hid.setClaimedElsewhere(unitId, true);
    runUpdate(context);
    EXPECT_EQ(view.events, (Events{"offer 0", "versions none", "failed Claim -5 0"}));
    EXPECT_TRUE(unit().requests.empty());

    view.events.clear();
    runUpdate(context);  // the session is closed now: no attempt
    EXPECT_EQ(view.events, (Events{"offer 0", "versions none", "failed NoUnit -1 0"}));
    EXPECT_EQ(records, (Events{"failed NoImage -1 0", "failed NoImage -1 0", "failed Claim -5 0"}));
}

TEST_F(UpdateTest, RemovalDuringTheQuestionFailsAtTheLockWithoutACode) {
    replug(sim::makeUnit(sim::Situation::Downgrade));
    view.whileModal = [this] {
        hid.unplug(unitId);
        notify(kDeviceRemoveComplete, unitId);
    };
    runUpdate(context);
    expectFailure("failed Lock -1 0");
    EXPECT_TRUE(unit().requests.empty());
}

// Also without a journal. Progress is told after each block in whole percent of the image.
TEST_F(UpdateTest, UncheckedRestoreFailuresStillCountAsSuccess) {
    context.journal = nullptr;
    unit().injectFault(kCmdSetWriteProtect, sim::FaultKind::ErrorStatus, 2, 0x0101);
    unit().injectFault(kCmdSetSystemLock, sim::FaultKind::WriteFails, 2);
    runUpdate(context);
    EXPECT_EQ(view.events, kWritten);
    EXPECT_EQ(view.percents, (std::vector<unsigned>{48, 96, 100}));
    EXPECT_EQ(session.controllerFirmwareVersion(), kImageVersion);
}

}  // namespace
}  // namespace talo::test
