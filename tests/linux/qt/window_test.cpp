#include <QAccessible>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <algorithm>
#include <array>
#include <vector>

#include "device/commands.h"
#include "resources/firmware_image.h"
#include "resources/messages.h"
#include "tests/linux/qt/window_fixture.h"
#include "ui/message_ids.h"

namespace talo::qt::test {
namespace {

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
    ops().enableControl(kIdUpdate, true);
    EXPECT_TRUE(dialog().button(kIdUpdate)->isEnabled());
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
    const std::pair<QWidget*, TopWindow> actives[] = {
        {bar, TopWindow::Progress}, {&dialog(), TopWindow::Main}, {nullptr, TopWindow::Other}};
    for (const auto& [active, expected] : actives) {
        QApplication::setActiveWindow(active);
        EXPECT_EQ(ops().foregroundWindow(), expected);
    }
    ops().destroyProgressWindow();
    EXPECT_EQ(ops().progressWindow(), nullptr);
}

// Escape, the close box, and Enter or Space outside "Update" act like "Beenden", which has the
// first focus: everything is released. Tab leads to "Update", which Enter presses.
TEST_F(WindowTest, KeysAndCloseBoxEndTheWindowOrPressTheFocusedButton) {
    const auto none = [](UpdaterDialog&) {};
    const std::tuple<const char*, std::function<void(UpdaterDialog&)>, int, bool> cases[] = {
        {"Escape", none, Qt::Key_Escape, true},
        {"Space", none, Qt::Key_Space, true},
        {"close box", [](UpdaterDialog& d) { d.close(); }, 0, true},
        {"Enter in the pane", [](UpdaterDialog& d) { d.statusPane()->setFocus(); }, Qt::Key_Return,
         true},
        {"Tab and Enter", [](UpdaterDialog& d) { QTest::keyClick(&d, Qt::Key_Tab); },
         Qt::Key_Return, false}};
    for (const auto& [name, act, key, ends] : cases) {
        const sim::DeviceId unit = plug(sim::Situation::Ready);
        start();
        QApplication::setActiveWindow(&dialog());
        act(dialog());
        if (key != 0) {
            QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
        }

        EXPECT_EQ(dialog().result(), ends ? 2 : 0) << name;
        EXPECT_EQ(hid.unit(unit).flash.bytesWritten, ends ? 0u : talo_firmware_image_size) << name;
        EXPECT_EQ(hid.totalOpenHandles(), ends ? 0u : 1u) << name;
        EXPECT_EQ(notifications.isActive(), !ends) << name;
        window.reset();
        hid.unplug(unit);
    }
}

// The start-up evaluation's boxes come before the window; after a failed registration it never
// shows and no unit is opened.
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
        EXPECT_EQ(dialog().result(), registers ? 0 : 1);
        EXPECT_EQ(hid.openAttempts(unit), registers ? 1u : 0u);
        window.reset();
        hid.unplug(unit);
        boxes.shown.clear();
    }
}

// A unit the program may not open adds the udev hint once, also after later evaluations.
TEST_F(WindowTest, MissingAccessRightsAddTheHintOnce) {
    window = std::make_unique<UpdaterWindow>(hid, clock, notifications);
    window->setPermissionProbe([] { return true; });
    ASSERT_TRUE(dialog().initialise());
    const std::u16string hinted = status();
    EXPECT_TRUE(hinted.ends_with(u"\r\n\r\n" + std::u16string(catalogueText(kMsgNoAccessRights))));
    hid.addForeignDevice(0x046D, 0xC077);
    settle();
    EXPECT_EQ(status(), hinted);
}

// The timer looks again once a second at a unit another program writes, but never while a box
// of the logic is open.
TEST_F(WindowTest, RetryTimerOffersABusyUnitButWaitsForTheOpenBox) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    start();
    hid.setClaimedElsewhere(unit, true);
    std::uint32_t opensDuringBox = 1;
    boxes.answer(QMessageBox::Ok, [&] {
        hid.setClaimedElsewhere(unit, false);
        const std::uint32_t before = hid.openAttempts(unit);
        dialog().retryTick();
        opensDuringBox = hid.openAttempts(unit) - before;
    });
    click(kIdUpdate);
    EXPECT_EQ(opensDuringBox, 0u);
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
        for (const int id : {kIdUnitLabel, kIdUnitVersion, kIdBootloaderLabel, kIdBootloaderVersion,
                             kIdStatusPane, kIdControllerLabel, kIdControllerVersion}) {
            const bool controller = id == kIdControllerLabel || id == kIdControllerVersion;
            EXPECT_EQ(pixelsLike(shot, area(id), red) > 0, armed && controller) << id;
        }
        EXPECT_GT(pixelsLike(shot, logo, [&](QColor c) { return c != background; }), 500);
        hid.unplug(unit);
        settle();
    }
}

// Each caption labels its control for screen readers. (What they read of the running window
// is checked through AT-SPI.)
TEST_F(WindowTest, EachCaptionLabelsItsControlForScreenReaders) {
    start();
    for (const auto& [label, value] : {std::pair{kIdUnitLabel, kIdUnitVersion},
                                       {kIdBootloaderLabel, kIdBootloaderVersion},
                                       {kIdControllerLabel, kIdControllerVersion},
                                       {kIdStatusCaption, kIdStatusPane}}) {
        const auto labelled = QAccessible::queryAccessibleInterface(dialog().control(label))
                                  ->relations(QAccessible::Labelled);
        EXPECT_TRUE(std::ranges::any_of(labelled, [&, value = value](const auto& relation) {
            return relation.first->object() == dialog().control(value);
        })) << label;
    }
}

// Whatever the user does while the blocks are written, the whole image goes in and the
// restore runs to its end: clicks are dropped, and a close request (close box, "Beenden") ends
// the window only once the update has ended.
TEST_F(WindowTest, WritesTheWholeImageWithProgressWhateverTheUserDoes) {
    const std::tuple<const char*, std::function<void()>, bool> cases[] = {
        {"nothing", [] {}, false},
        {"close box", [this] { dialog().close(); }, true},
        {"clicks",
         [this] {
             click(kIdUpdate);
             click(kIdQuit);
         },
         true}};
    for (const auto& [name, act, ends] : cases) {
        const sim::DeviceId unit = plug(sim::Situation::Ready);
        start();
        std::vector<int> positions;
        bool endedDuringWrite = false;
        clock.atPause = [&] {
            if (const QProgressBar* bar = ops().progressWindow(); bar && bar->isVisible()) {
                if (positions.empty()) {
                    act();
                    endedDuringWrite = dialog().hasEnded();
                }
                positions.push_back(bar->value());
            }
        };

        click(kIdUpdate);
        settle();
        clock.atPause = nullptr;

        const sim::SimulatedUnit& written = hid.unit(unit);
        const std::vector<std::uint8_t>& flash = written.flash.contents;
        EXPECT_TRUE(flash.size() >= talo_firmware_image_size &&
                    std::equal(talo_firmware_image, talo_firmware_image + talo_firmware_image_size,
                               flash.begin()))
            << name;
        EXPECT_EQ(written.deliveredCount(kCmdEraseFirmware), 1u) << name;
        EXPECT_EQ(written.deliveredCommands().back(), kCmdSetSystemLock) << name;
        EXPECT_TRUE(std::ranges::is_sorted(positions) && std::ranges::count(positions, 50) > 0 &&
                    positions.back() == 100)
            << name;
        EXPECT_FALSE(endedDuringWrite) << name;
        EXPECT_EQ(dialog().result(), ends ? 2 : 0) << name;
        EXPECT_EQ(window->session().isOpen(), !ends) << name;
        EXPECT_EQ(status(), std::u16string(catalogueText(kMsgUpdateSucceeded))) << name;
        window.reset();
        hid.unplug(unit);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// A unit lost at a block: the failure box comes once the progress window is gone. A unit
// plugged in during the write is announced only after it, by the box's own loop.
TEST_F(WindowTest, FailureBoxFollowsTheProgressWindowAndArrivalsWaitForTheWriteToEnd) {
    const sim::DeviceId unit = plug(sim::Situation::Ready);
    hid.unit(unit).disconnectAtWriteBlock = 5;
    start();
    sim::DeviceId second = 0;
    std::uint32_t opensDuringWrite = 1;
    clock.atPause = [&] {
        if (second == 0 && ops().progressWindow() != nullptr) {
            second = plug(sim::Situation::Ready);
            window->serviceWindows();
            opensDuringWrite = hid.openAttempts(second);
        }
    };
    bool progressGone = false;
    std::uint32_t opensDuringBox = 0;
    boxes.answer(QMessageBox::Ok, [&] {
        progressGone = ops().progressWindow() == nullptr;
        opensDuringBox = hid.openAttempts(second);
    });

    click(kIdUpdate);
    settle();

    EXPECT_EQ(opensDuringWrite, 0u);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(progressGone);
    EXPECT_GT(opensDuringBox, 0u);
    EXPECT_TRUE(dialog().button(kIdUpdate)->isEnabled());
}

}  // namespace
}  // namespace talo::qt::test
