#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

class WindowBehaviourTest : public UpdaterWindowTest {
  protected:
    void activate() {
        QApplication::setActiveWindow(&dialog());
        dialog().button(kIdQuit)->setFocus();
    }
};

// Escape, the close box and Enter in the status pane all act like "Beenden".
TEST_F(WindowBehaviourTest, EveryWayToQuitEndsTheWindowCleanly) {
    const std::function<void(UpdaterDialog&)> ways[] = {
        [](UpdaterDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](UpdaterDialog& d) { d.close(); },
        [](UpdaterDialog& d) {
            d.statusPane()->setFocus();
            QTest::keyClick(d.statusPane(), Qt::Key_Return);
        }};
    for (const auto& quit : ways) {
        const sim::DeviceId unit = plug(sim::Situation::Ready);
        start();
        activate();

        quit(dialog());

        EXPECT_TRUE(dialog().hasEnded());
        EXPECT_EQ(dialog().result(), 2);
        EXPECT_FALSE(dialog().isVisible());
        EXPECT_FALSE(window->session().isOpen());
        EXPECT_EQ(hid->totalOpenHandles(), 0u);
        EXPECT_FALSE(notifications->isActive());
        hid->unplug(unit);
        const sim::DeviceId late = plug(sim::Situation::Ready);
        settle();
        EXPECT_EQ(hid->openAttempts(late), 0u);  // an ended window hears no more arrivals
        window.reset();
        hid->unplug(late);
    }
}

TEST_F(WindowBehaviourTest, EnterOnAFocusedUpdateStartsTheUpdate) {
    plug(sim::Situation::Ready);
    start();
    activate();
    dialog().button(kIdUpdate)->setFocus();

    QTest::keyClick(dialog().button(kIdUpdate), Qt::Key_Return);

    EXPECT_FALSE(dialog().hasEnded());
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateSucceeded));
}

TEST_F(WindowBehaviourTest, FocusStartsOnBeendenAndTabMovesToUpdate) {
    plug(sim::Situation::Ready);
    start();
    QApplication::setActiveWindow(&dialog());

    EXPECT_EQ(QApplication::focusWidget(), dialog().button(kIdQuit));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog().button(kIdUpdate));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog().button(kIdQuit));
}

TEST_F(WindowBehaviourTest, BusyUnitIsOfferedOnceTheOtherProgramLetsGo) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    hid->setClaimedElsewhere(unit, true);
    start();
    ASSERT_TRUE(showsMessageAlone(ops(), kMsgUnitBusy));
    EXPECT_EQ(dialog().retryTimer().interval(), 1000);

    hid->setClaimedElsewhere(unit, false);

    QTRY_VERIFY_WITH_TIMEOUT(dialog().button(kIdUpdate)->isEnabled(), 3000);
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgReady));
}

TEST_F(WindowBehaviourTest, RetryWaitsWhileTheFailureBoxIsOpen) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    start();
    hid->setClaimedElsewhere(unit, true);  // another program starts writing before the click
    std::uint32_t opensDuringBox = 0;
    boxes->answer(QMessageBox::Ok, [this, unit, &opensDuringBox] {
        hid->setClaimedElsewhere(unit, false);
        const std::uint32_t before = hid->openAttempts(unit);
        dialog().retryTick();
        opensDuringBox = hid->openAttempts(unit) - before;
    });

    clickUpdate();

    EXPECT_EQ(opensDuringBox, 0u);
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgUpdateAborted));
    dialog().retryTick();
    EXPECT_TRUE(showsMessageAlone(ops(), kMsgReady));
}

TEST_F(WindowBehaviourTest, OnlyTheControllerRowIsRedAndOnlyWhileEnabled) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    start();
    const QImage armed = dialog().grab().toImage();

    EXPECT_GT(redPixels(armed, controlRect(kIdControllerLabel)), 0);
    EXPECT_GT(redPixels(armed, controlRect(kIdControllerVersion)), 0);
    for (const int id :
         {kIdUnitLabel, kIdUnitVersion, kIdBootloaderLabel, kIdBootloaderVersion, kIdStatusPane}) {
        EXPECT_EQ(redPixels(armed, controlRect(id)), 0) << id;
    }

    hid->unplug(unit);
    settle();
    const QImage idle = dialog().grab().toImage();
    EXPECT_EQ(redPixels(idle, controlRect(kIdControllerLabel)), 0);
    EXPECT_EQ(redPixels(idle, controlRect(kIdControllerVersion)), 0);
    saveScreenshot(QStringLiteral("red-row-disabled"));
    EXPECT_EQ(ops().brushesCreated(), 1u);  // repainting reuses the one red brush
}

TEST_F(WindowBehaviourTest, LogoIsDrawnRightOfTheGroupBoxWithoutItsGreen) {
    start();
    const QImage shot = dialog().grab().toImage();
    const QRect group = controlRect(kIdVersionGroup);
    const QRect logoArea(group.right() + 20, group.top(), dialog().width() - group.right() - 20,
                         group.height());

    int drawn = 0;
    int green = 0;
    const QColor background = dialog().palette().color(QPalette::Window);
    for (int y = logoArea.top(); y <= logoArea.bottom(); ++y) {
        for (int x = logoArea.left(); x < logoArea.right(); ++x) {
            const QColor pixel = shot.pixelColor(x, y);
            drawn += pixel != background ? 1 : 0;
            green += (pixel.green() > 200 && pixel.red() < 60 && pixel.blue() < 60) ? 1 : 0;
        }
    }
    EXPECT_GT(drawn, 500);
    EXPECT_EQ(green, 0);
}

}  // namespace
}  // namespace talo::qt::test
