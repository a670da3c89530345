#include "update/update_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/commands.h"
#include "resources/firmware_image.h"
#include "resources/messages.h"
#include "sim/sim_errors.h"
#include "tests/support/window_assertions.h"
#include "tests/update/updater_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"
#include "update/readiness.h"

namespace talo::test {
namespace {

using Steps = std::vector<std::string>;
using test::logContainsInOrder;

std::vector<std::uint8_t> syntheticImage(std::size_t size) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return image;
}

std::u16string message(std::uint16_t id) {
    return std::u16string(catalogueText(id));
}

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
        ASSERT_TRUE(window.isEnabled(kIdUpdate));
        clearRecords(unitId);
    }
    void useImage(std::vector<std::uint8_t> bytes) {
        image = std::move(bytes);
        context.image = {image.data(), image.size()};
    }
    sim::SimulatedUnit& unit() { return hid.unit(unitId); }

    // The update ended in the failure report: session closed, button disabled, the one error
    // box shown after the panel went blank, then the failure text alone.
    void expectFailure(const std::u16string& boxText) {
        ASSERT_FALSE(window.boxes().empty());
        const auto& box = window.boxes().back();
        EXPECT_EQ(printable(box.text), printable(boxText));
        EXPECT_EQ(box.caption, message(kMsgUpdateFailedCaption));
        EXPECT_EQ(box.kind, MessageBoxKind::Error);
        EXPECT_TRUE(logContainsInOrder(milestones(), {"disable", "panel", "box", "status"}));
        EXPECT_TRUE(showsMessageAlone(window, kMsgUpdateAborted));
        EXPECT_FALSE(window.isEnabled(kIdUpdate));
        EXPECT_FALSE(session.isOpen());
        EXPECT_EQ(hid.totalOpenHandles(), 0u);
    }

    sim::DeviceId unitId = 0;
    std::vector<std::uint8_t> image;
};

TEST_F(UpdateTest, WritesImageRestoresAndHoldsTheUnit) {
    useImage(std::vector<std::uint8_t>(talo_firmware_image,
                                       talo_firmware_image + talo_firmware_image_size));
    runUpdate(context);
    EXPECT_EQ(unit().flash.contents, image);
    const auto& requests = unit().requests;
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].bytes[1], kCmdSetWriteProtect);
    EXPECT_EQ(requests[requests.size() - 2].bytes[3], 1);
    EXPECT_EQ(requests.back().bytes[1], kCmdSetSystemLock);
    EXPECT_EQ(requests.back().bytes[3], 0);
    EXPECT_TRUE(showsMessageAlone(window, kMsgUpdateSucceeded));
    EXPECT_EQ(window.controlText(kIdControllerVersion), u"1.8");
    EXPECT_FALSE(window.isEnabled(kIdUpdate));
    EXPECT_TRUE(session.isOpen());
    EXPECT_FALSE(window.progress().exists);
    EXPECT_TRUE(window.boxes().empty());
}

TEST_F(UpdateTest, CarriedImageProgressesInWholePercent) {
    if (talo_firmware_image_size != 61616) {
        GTEST_SKIP() << "built with an image of " << talo_firmware_image_size << " bytes";
    }
    useImage(std::vector<std::uint8_t>(talo_firmware_image,
                                       talo_firmware_image + talo_firmware_image_size));
    runUpdate(context);
    const std::vector<unsigned>& positions = window.progress().positions;
    ASSERT_EQ(positions.size(), 1 + 1284u);  // the initial 0, then one per block
    EXPECT_EQ(positions[12], 0u);
    EXPECT_EQ(positions[13], 1u);
    EXPECT_EQ(positions[1283], 99u);
    EXPECT_EQ(positions[1284], 100u);
    const auto blocks = unit().deliveredRequests(kCmdWriteBlock);
    ASSERT_EQ(blocks.size(), 1284u);
    EXPECT_EQ(blocks.front()->bytes[2], 48);
    EXPECT_EQ(blocks.back()->bytes[2], 32);  // 8 words
}

TEST_F(UpdateTest, PausesFollowTheFixedPacing) {
    runUpdate(context);
    // lock, unprotect, erase's own answer delay, after-erase, erase ok, address, three blocks
    EXPECT_EQ(clock.pauses(), (std::vector<std::uint32_t>{20, 20, 1000, 4000, 20, 20, 20, 20, 20}));
}

TEST_F(UpdateTest, ProgressWindowIsCentredAndRaisedBeforeTheFirstBlock) {
    window.setWindowRect(kIdMainWindow, {100, 200, 701, 551});
    window.scriptForeground({}, TopWindow::Other);
    runUpdate(context);
    EXPECT_TRUE(logContainsInOrder(
        window.log(),
        {"createProgressWindow Firmware wird geschrieben, bitte warten... 200 350 400 50",
         "setProgressPosition 0", "raiseToTop Main", "raiseToTop Progress",
         "setProgressPosition 48", "destroyProgressWindow"}));
    EXPECT_TRUE(window.logOf("showWindow").empty());
}

TEST_F(UpdateTest, ForegroundIsTakenOverOnceOwnWindowIsInFront) {
    useImage(syntheticImage(4 * 48));
    // Blocks 1 and 2: neither own window in front (two queries each). Block 3: the progress
    // window is (second query), remembered by a third query. Block 4: no query.
    window.scriptForeground({TopWindow::Other, TopWindow::Other, TopWindow::Other, TopWindow::Other,
                             TopWindow::Other, TopWindow::Progress, TopWindow::Progress},
                            TopWindow::Other);
    runUpdate(context);
    EXPECT_EQ(window.logOf("foregroundWindow").size(), 7u);
    EXPECT_EQ(window.logOf("raiseToTop").size(), 4u);
    EXPECT_TRUE(logContainsInOrder(
        window.log(),
        {"setProgressPosition 75", "foregroundWindow", "raiseToTop Main", "raiseToTop Progress",
         "showWindow Main", "showWindow Progress", "setProgressPosition 100"}));
}

struct Tail {
    std::size_t imageSize;
    std::uint8_t lastLengthByte;
};

class TailBlockTest : public UpdateTest, public ::testing::WithParamInterface<Tail> {};

// A tail that is not a whole word still reaches the flash completely, padded with 0xFF.
TEST_P(TailBlockTest, LastBlockCarriesEveryByte) {
    useImage(syntheticImage(GetParam().imageSize));
    runUpdate(context);
    EXPECT_EQ(unit().deliveredRequests(kCmdWriteBlock).back()->bytes[2], GetParam().lastLengthByte);
    std::vector<std::uint8_t> expected = image;
    expected.resize(image.size() / 48 * 48 + GetParam().lastLengthByte, 0xFF);
    EXPECT_EQ(unit().flash.contents, expected);
    EXPECT_TRUE(showsMessageAlone(window, kMsgUpdateSucceeded));
}

INSTANTIATE_TEST_SUITE_P(Sizes, TailBlockTest,
                         ::testing::Values(Tail{88, 40}, Tail{98, 4}, Tail{3, 4}, Tail{95, 48}),
                         [](const auto& p) { return "Bytes" + std::to_string(p.param.imageSize); });

struct Threshold {
    std::uint16_t controllerVersion;
    bool asks;
};

class DowngradeQuestionTest : public UpdateTest, public ::testing::WithParamInterface<Threshold> {};

TEST_P(DowngradeQuestionTest, AsksOnlyForKnownEqualOrNewerFirmware) {
    sim::SimulatedUnit ready = sim::makeUnit(sim::Situation::Ready);
    ready.setControllerFirmwareVersion(GetParam().controllerVersion);
    hid.unplug(unitId);
    notify(kDeviceRemoveComplete, unitId);
    arm(std::move(ready));
    const std::u16string statusBefore = window.statusText();
    window.answerNextBox(kAnswerNo);
    runUpdate(context);
    if (GetParam().asks) {
        ASSERT_EQ(window.boxes().size(), 1u);
        EXPECT_EQ(window.boxes()[0].caption, message(kMsgDowngradeCaption));
        EXPECT_EQ(window.boxes()[0].text, message(kMsgDowngradeText));
        EXPECT_EQ(window.boxes()[0].kind, MessageBoxKind::WarningYesNo);
        EXPECT_TRUE(unit().requests.empty());
        EXPECT_TRUE(window.isEnabled(kIdUpdate));
        EXPECT_TRUE(session.isOpen());
        EXPECT_EQ(window.statusText(), statusBefore);
    } else {
        EXPECT_TRUE(window.boxes().empty());
        EXPECT_TRUE(showsMessageAlone(window, kMsgUpdateSucceeded));
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, DowngradeQuestionTest,
                         ::testing::Values(Threshold{0x0107, false}, Threshold{0x0108, true},
                                           Threshold{0xFFFE, true}, Threshold{0xFFFF, false}),
                         [](const auto& p) {
                             return "Version" + std::to_string(p.param.controllerVersion);
                         });

struct FailingStep {
    const char* name;
    std::uint8_t command;
    sim::FaultKind kind;
    std::uint32_t occurrence;
    std::uint32_t unitError;
    std::uint16_t text;
    const char16_t* codes;
};

const FailingStep kFailingSteps[] = {
    {"Lock", kCmdSetSystemLock, sim::FaultKind::WriteFails, 1, 0, kMsgLockFailed,
     u"0xfffffffe-0x0000001f"},
    {"Unprotect", kCmdSetWriteProtect, sim::FaultKind::WrongEcho, 1, 0, kMsgUnprotectFailed,
     u"0x0000065b-0x00000000"},
    {"Erase", kCmdEraseFirmware, sim::FaultKind::ReadFails, 1, 0, kMsgEraseFailed,
     u"0xfffffffd-0x0000001f"},
    {"WriteAddress", kCmdSetWriteAddress, sim::FaultKind::ErrorStatus, 1, 0x00010107,
     kMsgWriteAddressFailed, u"0x00010107-0x00000000"},
    {"SecondBlock", kCmdWriteBlock, sim::FaultKind::ReadFails, 2, 0, kMsgWriteBlockFailed,
     u"0xfffffffd-0x0000001f"},
};

class FailingStepTest : public UpdateTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(FailingStepTest, ReportsStepWithResultAndSystemError) {
    const FailingStep& step = GetParam();
    unit().injectFault(step.command, step.kind, step.occurrence, step.unitError);
    bool progressDuringBox = true;
    window.answerNextBox(kAnswerOk, [&] { progressDuringBox = window.progress().exists; });
    runUpdate(context);
    expectFailure(message(step.text) + u"\r\nDas System meldet Fehlercode " + step.codes);
    EXPECT_FALSE(progressDuringBox);
    ASSERT_FALSE(unit().requests.empty());
    EXPECT_EQ(unit().requests.back().command, step.command);  // nothing after the failure
}

INSTANTIATE_TEST_SUITE_P(EachStep, FailingStepTest, ::testing::ValuesIn(kFailingSteps),
                         [](const auto& p) { return std::string(p.param.name); });

// Wraps the simulated stack to note when the system error code is fetched.
class ErrorReadWatch final : public HidPlatform {
  public:
    ErrorReadWatch(HidPlatform& inner, Clock& clock) : inner_(inner), clock_(clock) {}
    std::vector<std::uint64_t> readsAtMicros;

    bool listInterfaces(std::vector<std::u16string>& paths) override {
        return inner_.listInterfaces(paths);
    }
    HidHandle open(const std::u16string& path) override { return inner_.open(path); }
    void close(HidHandle handle) override { inner_.close(handle); }
    bool attributes(HidHandle handle, std::uint16_t& vid, std::uint16_t& pid) override {
        return inner_.attributes(handle, vid, pid);
    }
    bool reportLengths(HidHandle handle, std::uint32_t& in, std::uint32_t& out) override {
        return inner_.reportLengths(handle, in, out);
    }
    bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) override {
        return inner_.writeReport(handle, data, length);
    }
    bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                    std::uint32_t timeoutMs) override {
        return inner_.readReport(handle, data, length, timeoutMs);
    }
    bool claim(HidHandle handle, UnitClaim kind) override { return inner_.claim(handle, kind); }
    void releaseClaim(HidHandle handle) override { inner_.releaseClaim(handle); }
    std::uint32_t lastError() const override {
        const_cast<ErrorReadWatch*>(this)->readsAtMicros.push_back(clock_.nowMicros());
        return inner_.lastError();
    }

  private:
    HidPlatform& inner_;
    Clock& clock_;
};

TEST_F(UpdateTest, FailedEraseIsReportedOnlyAfterItsPause) {
    unit().injectFault(kCmdEraseFirmware, sim::FaultKind::ErrorStatus, 1, 0x0106);
    ErrorReadWatch watch(hid, clock);
    UpdaterContext watched{DeviceLink{watch, clock}, session, view, context.image};
    runUpdate(watched);
    const std::uint64_t erasedAt = unit().deliveredRequests(kCmdEraseFirmware).front()->atMicros;
    ASSERT_EQ(watch.readsAtMicros.size(), 1u);
    EXPECT_GE(watch.readsAtMicros[0], erasedAt + (1000 + 4000) * 1000u);
    EXPECT_EQ(clock.pauses(), (std::vector<std::uint32_t>{20, 20, 1000, 4000}));
    expectFailure(message(kMsgEraseFailed) +
                  u"\r\nDas System meldet Fehlercode 0x00000106-0x00000000");
}

TEST_F(UpdateTest, RemovalDuringDowngradeQuestionFailsWithoutCodeLine) {
    sim::SimulatedUnit newer = sim::makeUnit(sim::Situation::Downgrade);
    hid.unplug(unitId);
    notify(kDeviceRemoveComplete, unitId);
    arm(std::move(newer));
    window.answerNextBox(kAnswerYes, [this] {
        hid.unplug(unitId);
        notify(kDeviceRemoveComplete, unitId);
    });
    runUpdate(context);
    EXPECT_EQ(window.boxes().size(), 2u);
    expectFailure(message(kMsgLockFailed));
    EXPECT_TRUE(unit().requests.empty());
}

TEST_F(UpdateTest, UpdateWithoutOpenUnitFailsWithoutCodeLine) {
    hid.unplug(unitId);
    notify(kDeviceRemoveComplete, unitId);
    window.clearLog();
    runUpdate(context);
    expectFailure(message(kMsgUnitUnavailable));
}

class MissingImageTest : public UpdateTest, public ::testing::WithParamInterface<FirmwareImage> {};

TEST_P(MissingImageTest, IsRefusedBeforeAnythingIsSent) {
    context.image = GetParam();
    runUpdate(context);
    expectFailure(message(kMsgNoImage));
    EXPECT_TRUE(unit().requests.empty());
    EXPECT_FALSE(unit().flash.erased);
}

const std::uint8_t kOneByte[] = {0x42};
INSTANTIATE_TEST_SUITE_P(NullOrEmpty, MissingImageTest,
                         ::testing::Values(FirmwareImage{nullptr, 0}, FirmwareImage{nullptr, 64},
                                           FirmwareImage{kOneByte, 0}),
                         [](const auto& p) {
                             return std::string(p.param.data ? "Empty" : "Null") +
                                    std::to_string(p.param.size);
                         });

TEST_F(UpdateTest, UncheckedRestoreFailuresStillCountAsSuccess) {
    unit().injectFault(kCmdSetWriteProtect, sim::FaultKind::ErrorStatus, 2, 0x0101);
    unit().injectFault(kCmdSetSystemLock, sim::FaultKind::WriteFails, 2);
    runUpdate(context);
    EXPECT_TRUE(window.boxes().empty());
    EXPECT_TRUE(showsMessageAlone(window, kMsgUpdateSucceeded));
    EXPECT_EQ(session.controllerFirmwareVersion(), kImageVersion);
}

// Notes, in one list, the steps the view is told about and what holds the write together:
// the unit's claim, the system kept awake, the view's write span.
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

TEST_F(UpdateTest, WriteSpanHoldsClaimAndWakefulnessFromLockToRestoreOnEveryPath) {
    SpanRecorder awake(hid, session);
    context.awake = &awake;
    unit().injectFault(kCmdWriteBlock, sim::FaultKind::ErrorStatus, 2, 0x0107);
    runUpdate(context);
    EXPECT_EQ(awake.events, (std::vector<std::string>{"hold(claimed)", "release"}));
    EXPECT_TRUE(logContainsInOrder(window.log(), {"destroyProgressWindow", "leaveProtectedWrite",
                                                  "messageBox Error Update fehlgeschlagen!"}));
    EXPECT_FALSE(window.inProtectedWrite());

    awake.events.clear();
    evaluateReadiness(context, EvaluationCaller::StartUp);
    clearRecords(unitId);
    runUpdate(context);
    EXPECT_EQ(awake.events, (std::vector<std::string>{"hold(claimed)", "release"}));
    EXPECT_EQ(unit().requests.front().command, kCmdSetSystemLock);
    EXPECT_TRUE(logContainsInOrder(
        window.log(), {"enterProtectedWrite", "setProgressPosition 0", "destroyProgressWindow",
                       "leaveProtectedWrite",
                       "setControlText 40004 " + printable(message(kMsgUpdateSucceeded))}));
    EXPECT_FALSE(window.inProtectedWrite());
}

TEST_F(UpdateTest, UnitClaimedByAnotherProgramIsNotWritten) {
    hid.setClaimedElsewhere(unitId, true);
    clearRecords(unitId);
    runUpdate(context);
    EXPECT_TRUE(unit().requests.empty());
    EXPECT_TRUE(window.logOf("enterProtectedWrite").empty());
    expectFailure(message(kMsgUnitBusy) +
                  u"\r\nDas System meldet Fehlercode 0xfffffffb-0x00000000");
}

// Keeps the attempts the update hands over, and what the window had shown by then.
class RecordingJournal final : public UpdateJournal {
  public:
    explicit RecordingJournal(const RecordingWindow& window) : window_(window) {}
    void recordAttempt(const UpdateAttempt& attempt) override {
        attempts.push_back(attempt);
        boxesWhenRecorded = window_.boxes().size();
        inWriteWhenRecorded = window_.inProtectedWrite();
    }
    std::vector<UpdateAttempt> attempts;
    std::size_t boxesWhenRecorded = 0;
    bool inWriteWhenRecorded = false;

  private:
    const RecordingWindow& window_;
};

class JournalTest : public UpdateTest {
  protected:
    void SetUp() override {
        UpdateTest::SetUp();
        unit().serialNumber = u"SN-1";
        context.journal = &journal;
    }
    RecordingJournal journal{window};
};

TEST_F(JournalTest, WrittenAttemptIsRecordedOnceWithTheUnitAsFound) {
    runUpdate(context);
    ASSERT_EQ(journal.attempts.size(), 1u);
    const UpdateAttempt& attempt = journal.attempts[0];
    EXPECT_TRUE(attempt.written);
    EXPECT_EQ(attempt.unit.controllerFirmwareVersion(), sim::kOlderControllerVersion);
    EXPECT_EQ(attempt.serialNumber, u"SN-1");
    EXPECT_EQ(attempt.durationMicros, clock.nowMicros());  // the clock started with the lock
    EXPECT_TRUE(journal.inWriteWhenRecorded);  // no signal can end the program before it
}

TEST_F(JournalTest, FailedAttemptIsRecordedWithItsStepBeforeTheBoxIsShown) {
    unit().injectFault(kCmdEraseFirmware, sim::FaultKind::ErrorStatus, 1, 0x0106);
    runUpdate(context);
    ASSERT_EQ(journal.attempts.size(), 1u);
    EXPECT_FALSE(journal.attempts[0].written);
    EXPECT_EQ(journal.attempts[0].failedStep, UpdateStep::Erase);
    EXPECT_EQ(journal.attempts[0].result, 0x0106);
    EXPECT_EQ(journal.boxesWhenRecorded, 0u);
}

TEST_F(JournalTest, DeclinedQuestionIsNoAttempt) {
    unit().setControllerFirmwareVersion(0x0109);
    session.setControllerFirmwareVersion(0x0109);
    window.answerNextBox(kAnswerNo);
    runUpdate(context);
    EXPECT_TRUE(journal.attempts.empty());
}

}  // namespace
}  // namespace talo::test
