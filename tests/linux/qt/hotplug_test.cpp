#include <QPushButton>

#include "device/commands.h"
#include "platform/linux/qt/static_control.h"
#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

class HotplugTest : public UpdaterWindowTest {};

TEST_F(HotplugTest, UnitPluggedInBecomesReadyAndItsRemovalGreysThePanel) {
    start();
    ASSERT_TRUE(showsGuidance(ops(), kMsgNoUnitFound));

    const sim::DeviceId unit = plug(sim::Situation::Ready);
    settle();
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgReady));
    EXPECT_TRUE(dialog().button(kIdUpdate)->isEnabled());

    hid->unplug(unit);
    settle();
    EXPECT_TRUE(showsGuidance(ops(), kMsgConnectionLost));
    EXPECT_FALSE(dialog().button(kIdUpdate)->isEnabled());
    for (const int id : {kIdUnitVersion, kIdBootloaderVersion, kIdControllerVersion}) {
        EXPECT_EQ(ops().controlText(id), u"0.0.0") << id;
        EXPECT_FALSE(dialog().control(id)->isEnabled()) << id;
    }
    EXPECT_FALSE(dialog().control(kIdUnitLabel)->isEnabled());
    EXPECT_EQ(ops().controlText(kIdUnitLabel), u"TUNEPUCK");  // the last unit's name stays
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

}  // namespace
}  // namespace talo::qt::test
