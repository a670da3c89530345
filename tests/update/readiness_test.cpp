#include "update/readiness.h"

#include <gtest/gtest.h>

#include <optional>

#include "device/commands.h"
#include "tests/update/updater_fixture.h"

namespace talo::test {
namespace {

// What the view is told at start-up and on arrival, the calls separated by ", ".
struct Outcome {
    const char* name;
    std::optional<sim::Situation> unit;  // none: only a foreign device
    bool claimedElsewhere;
    const char* atStartUp;
    const char* onArrival;
};

const Outcome kOutcomes[] = {
    {"NoDevice", std::nullopt, false, "found NoDevice, offer 0, guidance NoUnit, versions none",
     "found NoDevice"},
    {"WrongMode", sim::Situation::Bootloader, false,
     "found WrongMode, offer 0, guidance WrongMode, versions none",
     "found WrongMode, offer 0, guidance WrongMode"},
    {"NoController", sim::Situation::NoController, false,
     "found NoController, offer 0, guidance NoController, versions none",
     "found NoController, offer 0, guidance NoController"},
    {"Incompatible", sim::Situation::Incompatible, false,
     "found IncompatibleController, offer 0, notice, guidance Incompatible, versions none",
     "found IncompatibleController, offer 0, notice, guidance Incompatible"},
    {"Busy", sim::Situation::Ready, true,
     "found UnitBusy, offer 0, guidance UnitBusy, versions none",
     "found UnitBusy, offer 0, guidance UnitBusy"},
    {"Ready", sim::Situation::Ready, false, "found Ready, guidance Ready, offer 1, versions open",
     "found Ready, guidance Ready, versions open, offer 1"},
};

std::string joined(const Events& events) {
    std::string text;
    for (const std::string& event : events) {
        text += (text.empty() ? "" : ", ") + event;
    }
    return text;
}

class EvaluationTest : public UpdaterTest, public ::testing::WithParamInterface<Outcome> {
  protected:
    // Plugs in the case's device; the notice must find the session already closed.
    sim::DeviceId plug() {
        view.whileModal = [this] { EXPECT_FALSE(session.isOpen()); };
        const Outcome& outcome = GetParam();
        if (!outcome.unit) {
            return hid.addForeignDevice(0x046D, 0xC077);
        }
        const sim::DeviceId id = hid.addUnit(sim::makeUnit(*outcome.unit));
        hid.setClaimedElsewhere(id, outcome.claimedElsewhere);
        return id;
    }
    // Only a ready unit stays open.
    void expectSessionAfter() {
        const bool ready = std::string(GetParam().name) == "Ready";
        EXPECT_EQ(session.isOpen(), ready);
        EXPECT_EQ(hid.totalOpenHandles(), ready ? 1u : 0u);
    }
};

TEST_P(EvaluationTest, StartUpShowsTheOutcomeInItsOrder) {
    plug();
    evaluateReadiness(context, EvaluationCaller::StartUp);
    EXPECT_EQ(joined(view.events), GetParam().atStartUp);
    expectSessionAfter();
}

TEST_P(EvaluationTest, ArrivalShowsTheOutcomeInItsOrder) {
    evaluateReadiness(context, EvaluationCaller::StartUp);
    view.events.clear();
    const sim::DeviceId id = plug();
    EXPECT_TRUE(notify(kDeviceArrival, id));
    EXPECT_EQ(joined(view.events), GetParam().onArrival);
    expectSessionAfter();
}

INSTANTIATE_TEST_SUITE_P(EachOutcome, EvaluationTest, ::testing::ValuesIn(kOutcomes),
                         [](const auto& p) { return std::string(p.param.name); });

// An arrival whose identification fails holds the unit without a word; later arrivals wait.
TEST_F(UpdaterTest, ArrivalWithFailedIdentificationHoldsTheUnitSilently) {
    sim::SimulatedUnit broken = sim::makeUnit(sim::Situation::Ready);
    broken.injectFault(kCmdIdentify, sim::FaultKind::ReadFails);
    EXPECT_TRUE(notify(kDeviceArrival, hid.addUnit(std::move(broken))));
    EXPECT_EQ(view.events, (Events{"found NoDevice"}));
    EXPECT_TRUE(session.isOpen());

    const sim::DeviceId second = hid.addUnit(sim::makeUnit(sim::Situation::Ready));
    EXPECT_TRUE(notify(kDeviceArrival, second));
    EXPECT_EQ(view.events.size(), 1u);
    EXPECT_EQ(hid.openAttempts(second), 0u);
}

// Interface arrivals and removals are handled (true), other events not; only the removal of
// the open unit closes it.
TEST_F(UpdaterTest, NotificationsOtherThanTheOpenUnitsRemovalLeaveItAlone) {
    const DeviceNotification stranger{kDeviceTypeInterface, u"\\\\?\\hid#vid_046d&pid_c077#1"};
    EXPECT_TRUE(onDeviceChange(context, kDeviceRemoveComplete, &stranger));  // no unit open
    const sim::DeviceId id = startWith(sim::makeUnit(sim::Situation::Ready));
    view.events.clear();
    const DeviceNotification volume{2, hid.path(id)};
    for (const std::uint32_t code : {kDeviceArrival, kDeviceRemoveComplete}) {
        EXPECT_TRUE(onDeviceChange(context, code, &volume));
        EXPECT_TRUE(onDeviceChange(context, code, nullptr));
    }
    EXPECT_TRUE(onDeviceChange(context, kDeviceRemoveComplete, &stranger));
    EXPECT_FALSE(onDeviceChange(context, 0x8007, nullptr));  // nodes changed
    EXPECT_FALSE(notify(0x8001, id));                        // query remove
    EXPECT_TRUE(view.events.empty());
    EXPECT_TRUE(session.isOpen());

    hid.unplug(id);
    EXPECT_TRUE(notify(kDeviceRemoveComplete, id));
    EXPECT_EQ(view.events, (Events{"offer 0", "versions none", "guidance ConnectionLost"}));
    EXPECT_EQ(hid.openHandles(id), 0u);
}

TEST(SameDevicePath, FoldsOnlyTheLettersAToZ) {
    EXPECT_TRUE(sameDevicePath(u"\\\\?\\HID#VID_1209&Pid_A01Z", u"\\\\?\\hid#vid_1209&pid_a01z"));
    EXPECT_FALSE(sameDevicePath(u"\\\\?\\hid#\u00c4", u"\\\\?\\hid#\u00e4"));
    EXPECT_FALSE(sameDevicePath(u"[@]^", u"{`}~"));  // 0x20 apart but not letters
    EXPECT_FALSE(sameDevicePath(u"hid#1", u"hid#1#"));
    EXPECT_FALSE(sameDevicePath(u"hid#1", u"hid#2"));
    EXPECT_FALSE(sameDevicePath(u"ahid", u"bhid"));
    EXPECT_TRUE(sameDevicePath(std::u16string_view(u"ab", 1), std::u16string_view(u"ac", 1)));
}

TEST_F(UpdaterTest, InterruptedStartUpCompletesItsStepsAfterANestedArrival) {
    const sim::DeviceId foreign = hid.addUnit(sim::makeUnit(sim::Situation::Incompatible));
    view.whileModal = [this, foreign] {
        hid.unplug(foreign);
        notify(kDeviceArrival, hid.addUnit(sim::makeUnit(sim::Situation::Ready)));
    };
    evaluateReadiness(context, EvaluationCaller::StartUp);
    EXPECT_EQ(view.events, (Events{"found IncompatibleController", "offer 0", "notice",
                                   "found Ready", "guidance Ready", "versions open", "offer 1",
                                   "guidance Incompatible", "versions open"}));
    EXPECT_TRUE(session.isOpen());  // what the nested evaluation left
}

}  // namespace
}  // namespace talo::test
