#include "tests/linux/qt/updater_window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include "resources/messages.h"
#include "ui/control_ids.h"
#include "ui/message_ids.h"

namespace talo::qt::test {

QString boxText(std::uint16_t id) {
    return displayText(catalogue(id));
}

std::u16string catalogue(std::uint16_t id) {
    return std::u16string(catalogueText(id));
}

::testing::AssertionResult showsGuidance(const QtWindowOps& ops, std::uint16_t situation) {
    const std::u16string expected =
        catalogue(situation) + u"\r\n\r\n" + catalogue(kMsgInstructions);
    if (ops.controlText(kIdStatusPane) == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "status pane does not show guidance " << situation << ":\n"
           << displayText(ops.controlText(kIdStatusPane)).toStdString();
}

::testing::AssertionResult showsMessageAlone(const QtWindowOps& ops, std::uint16_t id) {
    if (ops.controlText(kIdStatusPane) == catalogue(id)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "status pane does not show message " << id << " alone:\n"
           << displayText(ops.controlText(kIdStatusPane)).toStdString();
}

int redPixels(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.red() > 200 && colour.green() < 60 && colour.blue() < 60) {
                ++count;
            }
        }
    }
    return count;
}

void UpdaterWindowTest::SetUp() {
    hid = std::make_unique<sim::SimHidPlatform>(clock);
    notifications = std::make_unique<SimNotificationSource>(*hid);
    boxes = std::make_unique<MessageBoxScript>();
}

void UpdaterWindowTest::TearDown() {
    window.reset();
    boxes.reset();
    notifications.reset();
    hid.reset();
}

sim::DeviceId UpdaterWindowTest::plug(sim::Situation situation) {
    return hid->addUnit(sim::makeUnit(situation));
}

void UpdaterWindowTest::start() {
    window = std::make_unique<UpdaterWindow>(*hid, clock, *notifications);
    boxes->setOwner(&window->dialog());
    if (window->dialog().initialise()) {
        window->dialog().show();
    }
}

void UpdaterWindowTest::settle() {
    QCoreApplication::processEvents();
}

void UpdaterWindowTest::saveScreenshot(const QString& name) {
    const QString directory = QStringLiteral(TALO_QT_SCREENSHOT_DIR);
    QDir().mkpath(directory);
    const QString file = QStringLiteral("%1/%2.png").arg(directory, name);
    ASSERT_TRUE(dialog().grab().save(file)) << file.toStdString();
    EXPECT_GT(QFileInfo(file).size(), 0) << file.toStdString();
}

void UpdaterWindowTest::clickUpdate() {
    QTest::mouseClick(dialog().button(kIdUpdate), Qt::LeftButton);
}

QRect UpdaterWindowTest::controlRect(int id) {
    return dialog().control(id)->geometry();
}

}  // namespace talo::qt::test
