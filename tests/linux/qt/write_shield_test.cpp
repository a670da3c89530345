#include "platform/linux/qt/write_shield.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <array>
#include <vector>

namespace talo::qt::test {
namespace {

class WriteShieldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        quit_->move(0, 40);
        shield_.setCloseButton(quit_);
        window_.show();
        QObject::connect(update_, &QPushButton::clicked, [this] { ++clicks_; });
        QCoreApplication::processEvents();
    }
    // Input as the window system delivers it, to the window in its coordinates: a left click
    // on `target`, or with `key` a key press while `target` has the focus.
    void input(QWidget* target, int key = 0) {
        target->setFocus();
        const QPointF at = QRectF(target->geometry()).center();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QMouseEvent down(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent up(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::LeftButton, {});
        for (QEvent* event :
             key != 0 ? std::vector<QEvent*>{&press} : std::vector<QEvent*>{&down, &up}) {
            QCoreApplication::sendEvent(window_.windowHandle(), event);
        }
    }

    QWidget window_;
    QPushButton* update_ = new QPushButton(QStringLiteral("Update"), &window_);
    QPushButton* quit_ = new QPushButton(QStringLiteral("Beenden"), &window_);
    int clicks_ = 0;
    int closeRequests_ = 0;
    WriteShield shield_{window_, [this] { ++closeRequests_; }};
};

// Raised, service() handles what is posted but neither timers nor input; lowered, it does
// nothing and input flows again.
TEST_F(WriteShieldTest, RaisedItServicesPostedEventsButNeitherTimersNorInput) {
    int posted = 0;
    int timeouts = 0;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&timeouts] { ++timeouts; });
    const auto post = [&posted] {
        QMetaObject::invokeMethod(
            qApp, [&posted] { ++posted; }, Qt::QueuedConnection);
    };
    shield_.raise();
    timer.start(0);
    post();
    input(update_);
    shield_.service();
    EXPECT_EQ((std::array{posted, timeouts, clicks_}), (std::array{1, 0, 0}));

    shield_.lower();
    post();
    shield_.service();
    EXPECT_EQ(posted, 1);
    QCoreApplication::processEvents();
    input(update_);
    EXPECT_EQ((std::array{posted, timeouts, clicks_}), (std::array{2, 1, 1}));
}

// Raised, what would end the window is a close request (Escape; Beenden clicked, or pressed
// by Enter or Space; Enter as the default button's key) and any other input is dropped.
TEST_F(WriteShieldTest, OnlyWhatWouldEndTheWindowBecomesACloseRequest) {
    const std::tuple<const char*, QWidget*, int, bool> cases[] = {
        {"click on Update", update_, 0, false},
        {"click on Beenden", quit_, 0, true},
        {"A on Beenden", quit_, Qt::Key_A, false},
        {"Space on Beenden", quit_, Qt::Key_Space, true},
        {"Return on Beenden", quit_, Qt::Key_Return, true},
        {"Return in the window", &window_, Qt::Key_Return, true},
        {"Enter on Update", update_, Qt::Key_Enter, false},
        {"Space on Update", update_, Qt::Key_Space, false},
        {"Escape on Update", update_, Qt::Key_Escape, true}};
    shield_.raise();
    window_.setFocusPolicy(Qt::StrongFocus);
    for (const auto& [name, target, key, closes] : cases) {
        const int before = closeRequests_;
        input(target, key);
        EXPECT_EQ(closeRequests_ - before, closes ? 1 : 0) << name;
    }
    EXPECT_EQ(clicks_, 0);
}

}  // namespace
}  // namespace talo::qt::test
