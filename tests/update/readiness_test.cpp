#include "update/readiness.h"

#include <gtest/gtest.h>

#include <optional>

#include "device/commands.h"
#include "resources/messages.h"
#include "tests/support/window_assertions.h"
#include "tests/update/updater_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::test {
namespace {

using Steps = std::vector<std::string>;

struct Outcome {
    const char* name;
    std::optional<sim::Situation> unit;  // none: no programming unit present
    std::uint16_t message;               // guidance situation; kMsgReady: the ready text alone
    Steps atStartUp;
    Steps onArrival;
};

const Outcome kOutcomes[] = {
    {"NoDevice", std::nullopt, kMsgNoUnitFound, {"disable", "status", "status", "panel"}, {}},
    {"WrongMode",
     sim::Situation::Bootloader,
     kMsgWrongMode,
     {"disable", "status", "status", "panel"},
     {"disable", "status", "status"}},
    {"NoController",
     sim::Situation::NoController,
     kMsgNoController,
     {"disable", "status", "status", "panel"},
     {"disable", "status", "status"}},
    {"Incompatible",
     sim::Situation::Incompatible,
     kMsgIncompatible,
     {"disable", "box", "status", "status", "panel"},
     {"disable", "box", "status", "status"}},
    {"Ready",
     sim::Situation::Ready,
     kMsgReady,
     {"status", "enable", "panel"},
     {"status", "panel", "enable"}},
};

class EvaluationTest : public UpdaterTest, public ::testing::WithParamInterface<Outcome> {
  protected:
    // The information box must find the session already closed.
    void watchBox() {
        window.answerNextBox(kAnswerOk, [this] { openDuringBox = session.isOpen(); });
    }
    void expectOutcomeShown(const Outcome& outcome) {
        const bool ready = outcome.message == kMsgReady;
        EXPECT_TRUE(ready ? showsMessageAlone(window, kMsgReady)
                          : showsGuidance(window, outcome.message));
        EXPECT_EQ(session.isOpen(), ready);
        EXPECT_EQ(window.isEnabled(kIdUpdate), ready);
        EXPECT_EQ(hid.totalOpenHandles(), ready ? 1u : 0u);
        EXPECT_FALSE(openDuringBox);
    }
    bool openDuringBox = false;
};

TEST_P(EvaluationTest, StartUpShowsOutcomeInItsOrder) {
    const Outcome& outcome = GetParam();
    if (outcome.unit) {
        hid.addUnit(sim::makeUnit(*outcome.unit));
    }
    watchBox();
    evaluateReadiness(context, EvaluationCaller::StartUp);
    EXPECT_EQ(milestones(), outcome.atStartUp);
    expectOutcomeShown(outcome);
    if (!window.boxes().empty()) {
        const auto& box = window.boxes()[0];
        EXPECT_EQ(box.caption, catalogueText(kMsgIncompatibleCaption));
        EXPECT_EQ(box.kind, MessageBoxKind::Information);
        EXPECT_NE(box.text.find(u"Typs 'TALO Max 150' aktualisieren"), std::u16string::npos);
    }
}

TEST_P(EvaluationTest, ArrivalShowsOutcomeInItsOrder) {
    const Outcome& outcome = GetParam();
    evaluateReadiness(context, EvaluationCaller::StartUp);
    window.clearLog();
    const sim::DeviceId id = outcome.unit ? hid.addUnit(sim::makeUnit(*outcome.unit))
                                          : hid.addForeignDevice(0x046D, 0xC077);
    watchBox();
    EXPECT_TRUE(notify(kDeviceArrival, id));
    EXPECT_EQ(milestones(), outcome.onArrival);
    if (outcome.unit) {
        expectOutcomeShown(outcome);
    } else {
        EXPECT_TRUE(window.log().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EachOutcome, EvaluationTest, ::testing::ValuesIn(kOutcomes),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(UpdaterTest, ArrivalWithFailedIdentificationHoldsTheUnitSilently) {
    evaluateReadiness(context, EvaluationCaller::StartUp);
    window.clearLog();
    sim::SimulatedUnit broken = sim::makeUnit(sim::Situation::Ready);
    broken.injectFault(kCmdIdentify, sim::FaultKind::ReadFails);
    const sim::DeviceId id = hid.addUnit(std::move(broken));
    EXPECT_TRUE(notify(kDeviceArrival, id));
    EXPECT_TRUE(window.log().empty());
    EXPECT_TRUE(session.isOpen());
    EXPECT_FALSE(window.isEnabled(kIdUpdate));
}

TEST_F(UpdaterTest, ArrivalWhileAUnitIsOpenIsIgnored) {
    startWith(sim::makeUnit(sim::Situation::Ready));
    window.clearLog();
    const sim::DeviceId second = hid.addUnit(sim::makeUnit(sim::Situation::Ready));
    EXPECT_TRUE(notify(kDeviceArrival, second));
    EXPECT_TRUE(window.log().empty());
    EXPECT_EQ(hid.openAttempts(second), 0u);
}

TEST_F(UpdaterTest, OnlyInterfaceArrivalAndRemovalAreHandled) {
    const sim::DeviceId id = hid.addUnit(sim::makeUnit(sim::Situation::Ready));
    const DeviceNotification volume{2, hid.path(id)};
    EXPECT_TRUE(onDeviceChange(context, kDeviceArrival, &volume));
    EXPECT_TRUE(onDeviceChange(context, kDeviceArrival, nullptr));
    EXPECT_FALSE(onDeviceChange(context, 0x8007, nullptr));  // nodes changed
    EXPECT_FALSE(notify(0x8001, id));                        // query remove
    EXPECT_EQ(hid.openAttempts(id), 0u);
    EXPECT_TRUE(window.log().empty());
}

TEST_F(UpdaterTest, RemovalOfOpenUnitMatchesPathRegardlessOfLetterCase) {
    const sim::DeviceId id = startWith(sim::makeUnit(sim::Situation::Ready));
    window.clearLog();
    std::u16string shouted = hid.path(id);
    for (char16_t& c : shouted) {
        c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    }
    ASSERT_NE(shouted, hid.path(id));
    hid.unplug(id);
    const DeviceNotification record{kDeviceTypeInterface, shouted};
    EXPECT_TRUE(onDeviceChange(context, kDeviceRemoveComplete, &record));
    EXPECT_EQ(milestones(), (Steps{"disable", "panel", "status", "status"}));
    EXPECT_TRUE(showsGuidance(window, kMsgConnectionLost));
    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(hid.openHandles(id), 0u);
}

TEST_F(UpdaterTest, RemovalOfAnythingButTheOpenUnitChangesNothing) {
    const DeviceNotification stranger{kDeviceTypeInterface, u"\\\\?\\hid#vid_046d&pid_c077#1"};
    EXPECT_TRUE(onDeviceChange(context, kDeviceRemoveComplete, &stranger));  // no unit open
    const sim::DeviceId id = startWith(sim::makeUnit(sim::Situation::Ready));
    window.clearLog();
    const DeviceNotification volume{2, hid.path(id)};
    EXPECT_TRUE(onDeviceChange(context, kDeviceRemoveComplete, &volume));
    EXPECT_TRUE(onDeviceChange(context, kDeviceRemoveComplete, &stranger));
    EXPECT_TRUE(window.log().empty());
    EXPECT_TRUE(session.isOpen());
}

TEST(SameDevicePath, FoldsOnlyTheLettersAToZ) {
    EXPECT_TRUE(sameDevicePath(u"\\\\?\\HID#VID_1209&Pid_0001", u"\\\\?\\hid#vid_1209&pid_0001"));
    EXPECT_FALSE(sameDevicePath(u"\\\\?\\hid#Ä", u"\\\\?\\hid#ä"));
    EXPECT_FALSE(sameDevicePath(u"[@]^", u"{`}~"));  // 0x20 apart but not letters
    EXPECT_FALSE(sameDevicePath(u"hid#1", u"hid#1#"));
}

TEST_F(UpdaterTest, InterruptedStartUpCompletesItsStepsAfterANestedArrival) {
    const sim::DeviceId foreign = hid.addUnit(sim::makeUnit(sim::Situation::Incompatible));
    window.answerNextBox(kAnswerOk, [this, foreign] {
        hid.unplug(foreign);
        const sim::DeviceId ready = hid.addUnit(sim::makeUnit(sim::Situation::Ready));
        notify(kDeviceArrival, ready);
        EXPECT_TRUE(showsMessageAlone(window, kMsgReady));
    });
    evaluateReadiness(context, EvaluationCaller::StartUp);
    EXPECT_EQ(milestones(),
              (Steps{"disable", "box", "status", "panel", "enable", "status", "status", "panel"}));
    EXPECT_TRUE(showsGuidance(window, kMsgIncompatible));
    EXPECT_TRUE(session.isOpen());  // what the nested evaluation left
}

// A unit that another program is writing is reported as such, at start-up and on arrival, and
// treated as absent: session closed, no update offered, and looked at again later.
TEST_F(UpdaterTest, UnitBeingWrittenElsewhereIsShownBusyAndLeftAlone) {
    sim::SimulatedUnit unit = sim::makeUnit(sim::Situation::Ready);
    const sim::DeviceId id = hid.addUnit(std::move(unit));
    hid.setClaimedElsewhere(id, true);
    EXPECT_EQ(evaluateReadiness(context, EvaluationCaller::StartUp), Readiness::UnitBusy);
    EXPECT_TRUE(showsMessageAlone(window, kMsgUnitBusy));
    EXPECT_EQ(milestones(), (Steps{"disable", "status", "panel"}));
    EXPECT_TRUE(view.waitingForBusyUnit());

    clearRecords(id);
    notify(kDeviceArrival, id);
    EXPECT_EQ(milestones(), (Steps{"disable", "status"}));
    EXPECT_TRUE(hid.unit(id).requests.empty());
    EXPECT_FALSE(session.isOpen());

    hid.setClaimedElsewhere(id, false);
    notify(kDeviceArrival, id);
    EXPECT_TRUE(showsMessageAlone(window, kMsgReady));
    EXPECT_FALSE(view.waitingForBusyUnit());
}

}  // namespace
}  // namespace talo::test
