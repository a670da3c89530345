#include <QPushButton>
#include <QTest>

#include "device/commands.h"
#include "platform/linux/qt/static_control.h"
#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

class HotplugTest : public UpdaterWindowTest {};

TEST_F(HotplugTest, UnitPluggedInAfterStartBecomesReady) {
    start();
    ASSERT_TRUE(showsGuidance(ops(), kMsgNoUnitFound));

    plug(sim::Situation::Ready);
    settle();

    EXPECT_TRUE(showsMessageAlone(ops(), kMsgReady));
    EXPECT_TRUE(dialog().button(kIdUpdate)->isEnabled());
    EXPECT_EQ(ops().controlText(kIdUnitLabel), u"TUNEPUCK");
}

TEST_F(HotplugTest, RemovalWhileIdleShowsLostConnectionAndGreysThePanel) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    start();

    hid->unplug(unit);
    settle();

    EXPECT_TRUE(showsGuidance(ops(), kMsgConnectionLost));
    EXPECT_FALSE(dialog().button(kIdUpdate)->isEnabled());
    for (const int id : {kIdUnitVersion, kIdBootloaderVersion, kIdControllerVersion}) {
        EXPECT_EQ(ops().controlText(id), u"0.0.0") << id;
        EXPECT_FALSE(dialog().control(id)->isEnabled()) << id;
    }
    EXPECT_FALSE(dialog().control(kIdUnitLabel)->isEnabled());
    EXPECT_EQ(ops().controlText(kIdUnitLabel), u"TUNEPUCK");
    saveScreenshot(QStringLiteral("unit-removed"));
}

TEST_F(HotplugTest, RemovalDuringTheDowngradeQuestionFailsAtTheLockWithoutCodeLine) {
    const sim::DeviceId unit = plug(sim::Situation::Downgrade);
    start();
    bool guidanceDuringQuestion = false;
    boxes->answer(QMessageBox::Yes, [&] {
        hid->unplug(unit);
        settle();
        guidanceDuringQuestion = showsGuidance(ops(), kMsgConnectionLost);
    });

    clickUpdate();

    EXPECT_TRUE(guidanceDuringQuestion);
    ASSERT_EQ(boxes->shown().size(), 2u);
    EXPECT_EQ(boxes->shown()[1].caption, boxText(kMsgUpdateFailedCaption));
    EXPECT_EQ(boxes->shown()[1].text, boxText(kMsgLockFailed));
    EXPECT_EQ(hid->unit(unit).deliveredCount(kCmdSetSystemLock), 0u);
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateAborted));
}

TEST_F(HotplugTest, NotificationsStopWhenTheWindowEnds) {
    start();
    QTest::keyClick(&dialog(), Qt::Key_Escape);

    plug(sim::Situation::Ready);
    settle();

    EXPECT_FALSE(notifications->isActive());
    EXPECT_FALSE(window->session().isOpen());
    EXPECT_TRUE(showsGuidance(ops(), kMsgNoUnitFound));
}

}  // namespace
}  // namespace talo::qt::test
