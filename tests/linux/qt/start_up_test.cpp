#include <QPushButton>
#include <optional>
#include <string>

#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

struct StartUpCase {
    const char* name;
    std::optional<sim::Situation> unit;
    std::uint16_t message;
};

class StartUpTest : public UpdaterWindowTest, public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, ShowsTheSituationsGuidanceAndOffersUpdateOnlyWhenReady) {
    const StartUpCase& param = GetParam();
    if (param.unit) {
        plug(*param.unit);
    }
    boxes->saveImages(QStringLiteral(TALO_QT_SCREENSHOT_DIR), QString::fromLatin1(param.name));
    start();

    const bool ready = param.message == kMsgReady;
    if (ready) {
        EXPECT_TRUE(showsMessageAlone(ops(), param.message));
    } else {
        EXPECT_TRUE(showsGuidance(ops(), param.message));
    }
    EXPECT_EQ(dialog().button(kIdUpdate)->isEnabled(), ready);
    EXPECT_EQ(window->session().isOpen(), ready);
    saveScreenshot(QStringLiteral("start-%1").arg(QString::fromLatin1(param.name)));
}

INSTANTIATE_TEST_SUITE_P(
    Situations, StartUpTest,
    ::testing::Values(StartUpCase{"no-unit", std::nullopt, kMsgNoUnitFound},
                      StartUpCase{"ready", sim::Situation::Ready, kMsgReady},
                      StartUpCase{"downgrade", sim::Situation::Downgrade, kMsgReady},
                      StartUpCase{"bootloader", sim::Situation::Bootloader, kMsgWrongMode},
                      StartUpCase{"no-controller", sim::Situation::NoController, kMsgNoController},
                      StartUpCase{"incompatible", sim::Situation::Incompatible, kMsgIncompatible}),
    [](const ::testing::TestParamInfo<StartUpCase>& caseInfo) {
        std::string name = caseInfo.param.name;
        std::erase(name, '-');
        return name;
    });

class StartUpWindowTest : public UpdaterWindowTest {};

TEST_F(StartUpWindowTest, IncompatibleNoticeComesBeforeTheWindowAppears) {
    plug(sim::Situation::Incompatible);
    start();

    ASSERT_EQ(boxes->shown().size(), 1u);
    const ShownBox& notice = boxes->shown().front();
    EXPECT_EQ(notice.caption, QStringLiteral("Regler inkompatibel"));
    EXPECT_TRUE(notice.text.contains(QStringLiteral("'TALO Max 150'")));
    EXPECT_EQ(notice.icon, QMessageBox::Information);
    EXPECT_FALSE(notice.ownerVisible);
    EXPECT_TRUE(showsGuidance(ops(), kMsgIncompatible));
}

TEST_F(StartUpWindowTest, TitleNamesModelAndImageVersionWithoutAUnit) {
    start();

    EXPECT_EQ(dialog().windowTitle(),
              QStringLiteral("MERIDOVAN TALO Max 150 Firmware Updater 1.8"));
    EXPECT_FALSE(dialog().windowIcon().isNull());
}

TEST_F(StartUpWindowTest, FailedRegistrationShowsOnlyTheErrorAndOpensNoDevice) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    notifications->setStartFails(true);
    start();

    EXPECT_TRUE(dialog().hasEnded());
    EXPECT_EQ(dialog().result(), 1);
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_EQ(boxes->shown().front().caption, boxText(kMsgApplicationErrorCaption));
    EXPECT_EQ(boxes->shown().front().text, boxText(kMsgRegistrationFailed));
    EXPECT_EQ(boxes->shown().front().icon, QMessageBox::Critical);
    EXPECT_TRUE(ops().controlText(kIdStatusPane).empty());
    EXPECT_EQ(hid->openAttempts(unit), 0u);
}

TEST_F(StartUpWindowTest, UnitWithoutAccessRightsAddsTheUdevHintOnceNotOnLaterArrivals) {
    window = std::make_unique<UpdaterWindow>(*hid, clock, *notifications);
    window->setPermissionProbe([] { return true; });
    ASSERT_TRUE(dialog().initialise());
    const std::u16string hinted = catalogue(kMsgNoUnitFound) + u"\r\n\r\n" +
                                  catalogue(kMsgInstructions) + u"\r\n\r\n" +
                                  catalogue(kMsgNoAccessRights);
    EXPECT_EQ(ops().controlText(kIdStatusPane), hinted);

    hid->addForeignDevice(0x046D, 0xC077);
    settle();

    EXPECT_EQ(ops().controlText(kIdStatusPane), hinted);
}

}  // namespace
}  // namespace talo::qt::test
