#include "update/update_sequence.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "device/commands.h"
#include "resources/firmware_image.h"
#include "sim/sim_errors.h"
#include "tests/update/updater_fixture.h"
#include "update/readiness.h"

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
const Events kWritten = {
    "write begins", "step Lock",       "step Unprotect", "step Erase",   "step SetWriteAddress",
    "step Write",   "progress begins", "progress ends",  "step Restore", "write ends",
    "offer 0",      "versions open",   "succeeded"};

// Keeps the attempts the update hands over, and what the view had been told by then.
class RecordingJournal final : public UpdateJournal {
  public:
    explicit RecordingJournal(const RecordingView& view) : view_(view) {}
    void recordAttempt(const UpdateAttempt& attempt) override {
        attempts.push_back(attempt);
        eventsWhenRecorded = view_.events;
    }
    std::vector<UpdateAttempt> attempts;
    Events eventsWhenRecorded;

  private:
    const RecordingView& view_;
};

// Armed with a ready unit (controller firmware 1.7) and a 100-byte image: two full blocks and
// a tail of one word.
class UpdateTest : public UpdaterTest {
  protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        arm(sim::makeUnit(sim::Situation::Ready));
        useImage(syntheticImage(100));
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
};

TEST_F(UpdateTest, WritesTheCarriedImageRestoresAndHoldsTheUnit) {
    useImage(std::vector<std::uint8_t>(talo_firmware_image,
                                       talo_firmware_image + talo_firmware_image_size));
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

    // Progress in whole percent: 0 after each of the first 12 blocks, 1 after the 13th, 100
    // after the last, which goes out as 8 words.
    if (talo_firmware_image_size == 61616) {
        ASSERT_EQ(view.percents.size(), 1284u);
        const auto& p = view.percents;
        EXPECT_EQ((std::array{p[11], p[12], p[1282], p[1283]}), (std::array{0u, 1u, 99u, 100u}));
        EXPECT_EQ(unit().deliveredRequests(kCmdWriteBlock).back()->bytes[2], 32);
    }
}

TEST_F(UpdateTest, PausesFollowTheFixedPacing) {
    runUpdate(context);
    // lock, unprotect, erase's own answer delay, after-erase, erase ok, address, three blocks
    EXPECT_EQ(clock.pauses(), (std::vector<std::uint32_t>{20, 20, 1000, 4000, 20, 20, 20, 20, 20}));
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
// nothing and keeps the unit.
TEST_F(UpdateTest, AsksOnlyForKnownEqualOrNewerFirmwareAndNoSendsNothing) {
    view.answerYes = false;
    for (const int version : {0x0107, 0x0108, 0xFFFE, 0xFFFF}) {
        session.setControllerFirmwareVersion(static_cast<std::uint16_t>(version));
        forget(unitId);
        runUpdate(context);
        if (version == 0x0108 || version == 0xFFFE) {
            EXPECT_EQ(view.events, (Events{"question"})) << version;
            EXPECT_TRUE(unit().requests.empty());
            EXPECT_TRUE(session.isOpen());
        } else {
            EXPECT_EQ(view.events, kWritten) << version;
        }
    }
}

// The step's result and the system's error code are reported after the write span and the
// progress have ended; nothing more is sent.
TEST_F(UpdateTest, FailingStepIsReportedWithResultAndSystemError) {
    struct FailingStep {
        std::uint8_t command;
        sim::FaultKind kind;
        std::uint32_t occurrence;
        std::uint32_t unitError;
        const char* failed;
    };
    const FailingStep cases[] = {
        {kCmdSetSystemLock, sim::FaultKind::WriteFails, 1, 0, "failed Lock -2 31"},
        {kCmdSetWriteProtect, sim::FaultKind::WrongEcho, 1, 0, "failed Unprotect 1627 0"},
        {kCmdEraseFirmware, sim::FaultKind::ReadFails, 1, 0, "failed Erase -3 31"},
        {kCmdSetWriteAddress, sim::FaultKind::ErrorStatus, 1, 0x00010107,
         "failed SetWriteAddress 65799 0"},
        {kCmdWriteBlock, sim::FaultKind::ReadFails, 2, 0, "failed Write -3 31"},
    };
    for (const FailingStep& step : cases) {
        replug();
        unit().injectFault(step.command, step.kind, step.occurrence, step.unitError);
        runUpdate(context);
        expectFailure(step.failed);
        const auto ends = std::find(view.events.begin(), view.events.end(), "write ends");
        ASSERT_EQ(ends + 4, view.events.end()) << step.failed;
        if (step.command == kCmdWriteBlock) {
            EXPECT_EQ(*(ends - 1), "progress ends");
        }
        EXPECT_EQ(unit().requests.back().command, step.command);
    }
}

TEST_F(UpdateTest, FailedEraseIsReportedOnlyAfterItsPause) {
    unit().injectFault(kCmdEraseFirmware, sim::FaultKind::ErrorStatus, 1, 0x0106);
    std::uint64_t reportedAt = 0;
    view.whileModal = [this, &reportedAt] { reportedAt = clock.nowMicros(); };
    runUpdate(context);
    const std::uint64_t erasedAt = unit().deliveredRequests(kCmdEraseFirmware).front()->atMicros;
    EXPECT_GE(reportedAt, erasedAt + (1000 + 4000) * 1000u);
    EXPECT_EQ(clock.pauses(), (std::vector<std::uint32_t>{20, 20, 1000, 4000}));
    expectFailure("failed Erase 262 0");
}

// Refusals before the write: nothing is sent, and a result of -1 carries no code to show.
TEST_F(UpdateTest, UpdateWithoutUnitOrImageOrClaimIsRefusedBeforeAnythingIsSent) {
    RecordingJournal journal(view);
    context.journal = &journal;
    const std::uint8_t oneByte[] = {0x42};
    for (const FirmwareImage missing :
         {FirmwareImage{nullptr, 0}, FirmwareImage{nullptr, 64}, FirmwareImage{oneByte, 0}}) {
        context.image = missing;
        runUpdate(context);
        expectFailure("failed NoImage -1 0");
        EXPECT_TRUE(unit().requests.empty());
        evaluateReadiness(context, EvaluationCaller::StartUp);
        forget(unitId);
    }
    useImage(syntheticImage(100));
    hid.setClaimedElsewhere(unitId, true);
    runUpdate(context);
    expectFailure("failed Claim -5 0");
    EXPECT_TRUE(unit().requests.empty());

    view.events.clear();
    runUpdate(context);  // the session is closed now
    EXPECT_EQ(view.events, (Events{"offer 0", "versions none", "failed NoUnit -1 0"}));

    // Refused attempts are kept too; an attempt without a unit is none.
    ASSERT_EQ(journal.attempts.size(), 4u);
    for (const auto& [index, step, result] :
         {std::tuple{2, UpdateStep::NoImage, -1}, std::tuple{3, UpdateStep::Claim, -5}}) {
        const UpdateAttempt& refused = journal.attempts[static_cast<std::size_t>(index)];
        EXPECT_EQ(
            std::tuple(refused.written, refused.failedStep, refused.result, refused.systemError),
            std::tuple(false, step, result, 0u));
    }
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

TEST_F(UpdateTest, UncheckedRestoreFailuresStillCountAsSuccess) {
    unit().injectFault(kCmdSetWriteProtect, sim::FaultKind::ErrorStatus, 2, 0x0101);
    unit().injectFault(kCmdSetSystemLock, sim::FaultKind::WriteFails, 2);
    runUpdate(context);
    EXPECT_EQ(view.events, kWritten);
    EXPECT_EQ(session.controllerFirmwareVersion(), kImageVersion);
}

// The unit's exclusive claim and the wakefulness span exactly the write, on every path.
class SpanRecorder final : public SystemAwake {
  public:
    SpanRecorder(sim::SimHidPlatform& hid, const DeviceSession& session)
        : hid_(hid), session_(session) {}
    void hold() override { events.push_back(claimed() ? "hold(claimed)" : "hold"); }
    void release() override { events.push_back(claimed() ? "release(claimed)" : "release"); }
    std::vector<std::string> events;

  private:
    bool claimed() const { return hid_.claimOf(session_.handle) == UnitClaim::Exclusive; }
    sim::SimHidPlatform& hid_;
    const DeviceSession& session_;
};

TEST_F(UpdateTest, WriteSpanHoldsTheClaimAndTheSystemAwakeFromLockToRestore) {
    SpanRecorder awake(hid, session);
    context.awake = &awake;
    unit().injectFault(kCmdWriteBlock, sim::FaultKind::ErrorStatus, 2, 0x0107);
    runUpdate(context);
    EXPECT_EQ(awake.events, (std::vector<std::string>{"hold(claimed)", "release"}));

    awake.events.clear();
    evaluateReadiness(context, EvaluationCaller::StartUp);
    forget(unitId);
    runUpdate(context);
    EXPECT_EQ(awake.events, (std::vector<std::string>{"hold(claimed)", "release"}));
    EXPECT_EQ(unit().requests.front().command, kCmdSetSystemLock);
    EXPECT_TRUE(hid.claim(session.handle, UnitClaim::Exclusive));  // released afterwards
}

// One record per attempt, inside the write span (so nothing can end the program between the
// write and its record), with the unit as found before the first command.
TEST_F(UpdateTest, EachAttemptIsRecordedOnceWithinTheWriteSpan) {
    RecordingJournal journal(view);
    context.journal = &journal;
    unit().serialNumber = u"SN-1";
    runUpdate(context);
    ASSERT_EQ(journal.attempts.size(), 1u);
    const UpdateAttempt& written = journal.attempts[0];
    EXPECT_TRUE(written.written);
    EXPECT_EQ(written.unit.controllerFirmwareVersion(), sim::kOlderControllerVersion);
    EXPECT_EQ(written.serialNumber, u"SN-1");
    EXPECT_EQ(written.durationMicros, clock.nowMicros());  // the clock started with the lock
    EXPECT_EQ(journal.eventsWhenRecorded.back(), "step Restore");

    evaluateReadiness(context, EvaluationCaller::StartUp);
    view.answerYes = true;  // the controller holds the carried version now
    unit().injectFault(kCmdEraseFirmware, sim::FaultKind::ErrorStatus, 0, 0x0106);  // the next
    runUpdate(context);
    ASSERT_EQ(journal.attempts.size(), 2u);
    EXPECT_FALSE(journal.attempts[1].written);
    EXPECT_EQ(journal.attempts[1].failedStep, UpdateStep::Erase);
    EXPECT_EQ(journal.attempts[1].result, 0x0106);
    EXPECT_EQ(journal.eventsWhenRecorded.back(), "step Erase");

    evaluateReadiness(context, EvaluationCaller::StartUp);
    session.setControllerFirmwareVersion(0x0109);
    view.answerYes = false;
    runUpdate(context);  // a declined question is no attempt
    EXPECT_EQ(journal.attempts.size(), 2u);
}

}  // namespace
}  // namespace talo::test
