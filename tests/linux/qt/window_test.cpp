#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <array>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/linux/qt/application_setup.h"
#include "platform/linux/qt/sim_notification_source.h"
#include "platform/linux/qt/updater_window.h"
#include "resources/firmware_image.h"
#include "resources/messages.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "sim/virtual_clock.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

struct ShownBox {
    QString caption;
    QMessageBox::Icon icon;
    QStringList buttons;
    bool ownerVisible;  // whether the main window was on screen already
};

// Answers the program's message boxes inside their modal loops: each box is recorded, the next
// scripted action runs while it is open, then its button (else OK, or No) is clicked.
class MessageBoxScript : public QObject {
  public:
    MessageBoxScript() { startTimer(5); }
    void answer(QMessageBox::StandardButton button, std::function<void()> whileOpen = {}) {
        steps_.push_back({button, std::move(whileOpen)});
    }
    std::vector<ShownBox> shown;

  protected:
    void timerEvent(QTimerEvent*) override {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        shown.push_back({box->windowTitle(), box->icon(), {}, box->parentWidget()->isVisible()});
        for (const QAbstractButton* button : box->buttons()) {
            shown.back().buttons.append(button->text());
        }
        Step step{box->button(QMessageBox::Ok) != nullptr ? QMessageBox::Ok : QMessageBox::No, {}};
        if (!steps_.empty()) {
            step = std::move(steps_.front());
            steps_.pop_front();
        }
        if (step.second) {
            step.second();
        }
        box->button(step.first)->click();
    }

  private:
    using Step = std::pair<QMessageBox::StandardButton, std::function<void()>>;
    std::deque<Step> steps_;
};

// The virtual clock with a hook at every pause: the update runs no event loop of its own.
class HookedClock final : public Clock {
  public:
    void sleepMs(std::uint32_t ms) override {
        if (atPause) {
            atPause();
        }
        inner.sleepMs(ms);
    }
    std::uint64_t nowMicros() const override { return inner.nowMicros(); }
    std::function<void()> atPause;
    sim::VirtualClock inner;
};

// The updater window over simulated units on a virtual clock, on the offscreen platform.
class WindowTest : public ::testing::Test {
  protected:
    sim::DeviceId plug(sim::Situation situation) { return hid.addUnit(sim::makeUnit(situation)); }
    // Creates the window and initialises it; shows it unless that ended it.
    void start() {
        window = std::make_unique<UpdaterWindow>(hid, clock, notifications);
        if (dialog().initialise()) {
            dialog().show();
        }
    }
    // Lets the event loop deliver what waits (device notifications among it).
    static void settle() { QCoreApplication::processEvents(); }
    void click(int id) { QTest::mouseClick(dialog().button(id), Qt::LeftButton); }
    // Input as the window system delivers it, to the active main window in its coordinates: a
    // left click on control `id`, or with `key` a key stroke while that control has the focus.
    // The id of the main window itself stands for its close box.
    void input(int id, int key) {
        if (id == kIdMainWindow) {
            dialog().close();
            return;
        }
        QApplication::setActiveWindow(&dialog());
        QWidget* target = dialog().control(id);
        target->setFocus();
        const QPointF at = QRectF(target->geometry()).center();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QMouseEvent down(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent up(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::LeftButton, {});
        for (QEvent* event : key != 0 ? std::array<QEvent*, 2>{&press, &release}
                                      : std::array<QEvent*, 2>{&down, &up}) {
            QCoreApplication::sendEvent(dialog().windowHandle(), event);
        }
    }
    std::u16string status() { return ops().controlText(kIdStatusPane); }
    UpdaterDialog& dialog() { return window->dialog(); }
    QtWindowOps& ops() { return window->ops(); }

    HookedClock clock;
    sim::SimHidPlatform hid{clock.inner};
    SimNotificationSource notifications{hid};
    MessageBoxScript boxes;
    std::unique_ptr<UpdaterWindow> window;
};

// The logic reads texts back as it set them (CR LF); labels and the status pane show LF.
TEST_F(WindowTest, ControlTextsShowWithLineFeedsAndReadBackAsSet) {
    start();
    ops().setControlText(kIdStatusCaption, u"a\r\nb");
    ops().setControlText(kIdStatusPane, u"a\r\nb");
    EXPECT_EQ(dialog().staticControl(kIdStatusCaption)->text(), QStringLiteral("a\nb"));
    EXPECT_EQ(dialog().statusPane()->toPlainText(), QStringLiteral("a\nb"));
    EXPECT_EQ(ops().controlTextLength(kIdStatusPane), 4);
    char16_t buffer[3] = {u'x', u'x', u'x'};
    EXPECT_EQ(ops().getControlText(kIdStatusPane, buffer, 3), 2);
    EXPECT_EQ(std::u16string(buffer), u"a\r");
    EXPECT_EQ(ops().getControlText(kIdStatusPane, buffer, 0), 0);
}

// The question is a German Yes/No box over the shown window; the button clicked is the answer.
TEST_F(WindowTest, QuestionIsAGermanYesNoBoxOverTheWindow) {
    start();
    for (const auto& [click, answer] :
         {std::pair{QMessageBox::Yes, kAnswerYes}, std::pair{QMessageBox::No, kAnswerNo}}) {
        boxes.answer(click);
        EXPECT_EQ(ops().messageBox(u"1\r\n2", u"Titel", MessageBoxKind::WarningYesNo), answer);
        const ShownBox& box = boxes.shown.back();
        EXPECT_EQ(box.caption, QStringLiteral("Titel"));
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.buttons, QStringList({"&Ja", "&Nein"}));
        EXPECT_TRUE(box.ownerVisible);
    }
}

// The main window's rectangle ends one pixel past it; the progress bar is the client area of
// the outer rectangle given, cannot be closed, stops at 100 and counts for the foreground
// while it exists.
TEST_F(WindowTest, WindowRectangleAndProgressWindow) {
    start();
    const QRect frame = dialog().frameGeometry();
    const ScreenRect main = ops().windowRect(kIdMainWindow);
    EXPECT_EQ((std::array{main.left, main.top, main.right, main.bottom}),
              (std::array{frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1}));

    ASSERT_TRUE(ops().createProgressWindow(u"Titel", 100, 200, 400, 50));
    QProgressBar* bar = ops().progressWindow();
    EXPECT_TRUE(bar->isWindow() && bar->isVisible());
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("Titel"));
    EXPECT_EQ(bar->geometry(), QRect(103, 222, 394, 25));
    EXPECT_FALSE(bar->close());
    ops().setProgressPosition(150);
    EXPECT_EQ(bar->value(), 100);
    QWidget other;
    const std::pair<QWidget*, TopWindow> actives[] = {
        {bar, TopWindow::Progress}, {&dialog(), TopWindow::Main}, {&other, TopWindow::Other}};
    for (const auto& [active, expected] : actives) {
        QApplication::setActiveWindow(active);
        EXPECT_EQ(ops().foregroundWindow(), expected);
    }
    ops().destroyProgressWindow();
    EXPECT_EQ(ops().progressWindow(), nullptr);
}

enum class Idle { Nothing, Ends, Updates };

// Idle, Escape, the close box, and Enter or Space outside "Update" act like "Beenden" (first
// focus; Tab leads to "Update"), which releases everything. While the blocks are written, what
// would end the window ends it only once the update has ended, any other input is dropped, and
// the whole image goes in with the restore run to its end. A closed window leaves no unit open.
TEST_F(WindowTest, InputActsWhenIdleAndIsHeldOrDroppedWhileWriting) {
    const std::tuple<const char*, int, int, Idle, bool> cases[] = {
        {"close box", kIdMainWindow, 0, Idle::Ends, true},
        {"click on Update", kIdUpdate, 0, Idle::Updates, false},
        {"click on Beenden", kIdQuit, 0, Idle::Ends, true},
        {"A on Beenden", kIdQuit, Qt::Key_A, Idle::Nothing, false},
        {"Space on Beenden", kIdQuit, Qt::Key_Space, Idle::Ends, true},
        {"Return on Beenden", kIdQuit, Qt::Key_Return, Idle::Ends, true},
        {"Return in the pane", kIdStatusPane, Qt::Key_Return, Idle::Ends, true},
        {"Enter on Update", kIdUpdate, Qt::Key_Enter, Idle::Updates, false},
        {"Space on Update", kIdUpdate, Qt::Key_Space, Idle::Updates, false},
        {"Escape on Update", kIdUpdate, Qt::Key_Escape, Idle::Ends, true}};
    for (const auto& [name, id, key, idle, ends] : cases) {
        for (const bool writing : {false, true}) {
            const sim::DeviceId unit = plug(sim::Situation::Ready);
            start();
            ASSERT_EQ(dialog().focusWidget(), dialog().button(kIdQuit));
            EXPECT_EQ(dialog().focusWidget()->nextInFocusChain(), dialog().button(kIdUpdate));
            std::vector<int> positions;
            clock.atPause = [&] {
                if (const QProgressBar* bar = ops().progressWindow(); bar && bar->isVisible()) {
                    if (writing && positions.empty()) {
                        input(id, key);
                        EXPECT_FALSE(dialog().hasEnded()) << name;
                    }
                    positions.push_back(bar->value());
                }
            };
            writing ? click(kIdUpdate) : input(id, key);
            settle();
            clock.atPause = nullptr;

            const bool wrote = writing || idle == Idle::Updates;
            const bool ended = writing ? ends : idle == Idle::Ends;
            EXPECT_EQ(hid.unit(unit).flash.bytesWritten, wrote ? talo_firmware_image_size : 0u)
                << name;
            EXPECT_EQ(positions.empty() ? 0 : positions.back(), wrote ? 100 : 0) << name;
            EXPECT_EQ(status() == catalogueText(kMsgUpdateSucceeded), wrote) << name;
            EXPECT_EQ(dialog().result(), ended ? 2 : 0) << name;
            EXPECT_EQ(window->session().isOpen() || notifications.isActive(), !ended) << name;
            window.reset();
            EXPECT_EQ(hid.totalOpenHandles(), 0u) << name;
            hid.unplug(unit);
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// The start-up evaluation's boxes come before the window; after a failed registration it never
// shows.
TEST_F(WindowTest, StartUpBoxesComeBeforeTheWindow) {
    for (const bool registers : {true, false}) {
        const sim::DeviceId unit = plug(sim::Situation::Incompatible);
        notifications.setStartFails(!registers);
        start();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].icon,
                  registers ? QMessageBox::Information : QMessageBox::Critical);
        EXPECT_FALSE(boxes.shown[0].ownerVisible);
        EXPECT_EQ(dialog().isVisible(), registers);
        window.reset();
        hid.unplug(unit);
        boxes.shown.clear();
    }
}

// A unit the program may not open adds the udev hint once, also after later evaluations, but
// not to an open unit's status.
TEST_F(WindowTest, MissingAccessRightsAddTheHintOnce) {
    window = std::make_unique<UpdaterWindow>(hid, clock, notifications);
    window->setPermissionProbe([] { return true; });
    ASSERT_TRUE(dialog().initialise());
    const std::u16string hinted = status();
    const std::u16string hint = u"\r\n\r\n" + std::u16string(catalogueText(kMsgNoAccessRights));
    EXPECT_TRUE(hinted.size() > hint.size() && hinted.ends_with(hint));
    hid.addForeignDevice(0x046D, 0xC077);
    settle();
    EXPECT_EQ(status(), hinted);
    plug(sim::Situation::Ready);
    settle();
    EXPECT_FALSE(status().ends_with(hint));
}

// The timer looks again once a second at a unit another program writes, but never while a box
// of the logic is open.
TEST_F(WindowTest, RetryTimerOffersABusyUnitButWaitsForTheOpenBox) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    start();
    hid.setClaimedElsewhere(unit, true);
    bool offeredDuringBox = true;
    boxes.answer(QMessageBox::Ok, [&] {
        hid.setClaimedElsewhere(unit, false);
        dialog().retryTick();
        offeredDuringBox = dialog().button(kIdUpdate)->isEnabled();
    });
    click(kIdUpdate);
    EXPECT_FALSE(offeredDuringBox);
    EXPECT_TRUE(QTest::qWaitFor([this] { return dialog().button(kIdUpdate)->isEnabled(); }, 1500));
}

int pixelsLike(const QImage& image, const QRect& area, const std::function<bool(QColor)>& like) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += like(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

// Only the controller row is red, and only while enabled; the logo is drawn right of the
// group box.
TEST_F(WindowTest, PaintsTheControllerRowRedAndTheLogo) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    start();
    const auto area = [this](int id) { return dialog().control(id)->geometry(); };
    const auto red = [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
    const QRect group = area(kIdVersionGroup);
    const QRect logo(QPoint(group.right() + 20, group.top()),
                     QPoint(dialog().width() - 2, group.bottom()));
    const QColor background = dialog().palette().color(QPalette::Window);
    for (const bool armed : {true, false}) {
        const QImage shot = dialog().grab().toImage();
        for (const int id : {kIdUnitVersion, kIdControllerLabel, kIdControllerVersion}) {
            const bool controller = id == kIdControllerLabel || id == kIdControllerVersion;
            EXPECT_EQ(pixelsLike(shot, area(id), red) > 0, armed && controller) << id;
        }
        EXPECT_GT(pixelsLike(shot, logo, [&](QColor c) { return c != background; }), 500);
        hid.unplug(unit);
        settle();
    }
}

// A unit lost at a block: the failure box comes after the write. Servicing the windows does
// nothing outside the write; while the blocks are written it handles posted events but neither
// timers nor device arrivals; a unit plugged in meanwhile is announced by the failure box's loop.
TEST_F(WindowTest, WhileWritingOnlyPostedEventsAreHandledAndArrivalsWaitForTheBox) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    hid.unit(unit).disconnectAtWriteBlock = 5;
    start();
    std::uint32_t posted = 0;
    const auto post = [&posted] {
        QMetaObject::invokeMethod(
            qApp, [&posted] { ++posted; }, Qt::QueuedConnection);
    };
    post();
    window->serviceWindows();  // outside the write: nothing
    EXPECT_EQ(posted, 0u);
    sim::DeviceId second = 0;
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&timedOut] { timedOut = true; });
    std::array<std::uint32_t, 3> duringWrite{};
    clock.atPause = [&] {
        if (second == 0 && ops().progressWindow() != nullptr) {
            second = plug(sim::Situation::Ready);
            timer.start(0);
            post();
            window->serviceWindows();
            duringWrite = {posted, timedOut, hid.openAttempts(second)};
        }
    };
    std::uint32_t opensDuringBox = 0;
    boxes.answer(QMessageBox::Ok, [&] { opensDuringBox = hid.openAttempts(second); });

    click(kIdUpdate);
    settle();

    EXPECT_EQ(duringWrite, (std::array<std::uint32_t, 3>{2, 0, 0}));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_GT(opensDuringBox, 0u);
}

}  // namespace
}  // namespace talo::qt::test

// The window tests run on Qt's offscreen platform with the program's own look and language.
int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    talo::qt::prepareApplication(app);  // German texts: the window tests check them
    return RUN_ALL_TESTS();
}
