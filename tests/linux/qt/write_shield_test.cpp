#include "platform/linux/qt/write_shield.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace talo::qt::test {
namespace {

// Counts the events of one type that reach it.
class EventCounter final : public QObject {
  public:
    explicit EventCounter(QEvent::Type type) : type_(type) {}
    bool event(QEvent* event) override {
        count += event->type() == type_ ? 1 : 0;
        return QObject::event(event);
    }
    int count = 0;

  private:
    QEvent::Type type_;
};

class WriteShieldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        button_ = new QPushButton(QStringLiteral("Update"), &window_);
        quit_ = new QPushButton(QStringLiteral("Beenden"), &window_);
        quit_->move(0, 40);
        shield_.setCloseButton(quit_);
        window_.show();
        QObject::connect(button_, &QPushButton::clicked, [this] { ++clicks_; });
        QCoreApplication::processEvents();
    }
    QWidget window_;
    QPushButton* button_ = nullptr;
    QPushButton* quit_ = nullptr;
    int clicks_ = 0;
    int closeRequests_ = 0;
    WriteShield shield_{window_, [this] { ++closeRequests_; }};
};

TEST_F(WriteShieldTest, RaisedServiceHandlesWindowEventsButNoInputOrTimers) {
    EventCounter posted(QEvent::User);
    QTimer timer;
    timer.setSingleShot(true);
    int timeouts = 0;
    QObject::connect(&timer, &QTimer::timeout, [&timeouts] { ++timeouts; });

    shield_.raise();
    timer.start(0);
    QCoreApplication::postEvent(&posted, new QEvent(QEvent::User));
    const QPointF centre = QRectF(button_->rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(button_, new QMouseEvent(type, centre, centre, Qt::LeftButton,
                                                             Qt::LeftButton, Qt::NoModifier));
    }
    // Keys reach the window system's window first, before any widget.
    QCoreApplication::postEvent(window_.windowHandle(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    shield_.service();

    EXPECT_EQ(posted.count, 1);
    EXPECT_EQ(clicks_, 0);
    EXPECT_EQ(closeRequests_, 1);
    EXPECT_EQ(timeouts, 0);

    shield_.lower();
    QCoreApplication::processEvents();
    EXPECT_EQ(timeouts, 1);
    QCoreApplication::postEvent(&posted, new QEvent(QEvent::User));
    shield_.service();  // a lowered shield neither services nor filters
    EXPECT_EQ(posted.count, 1);
    QCoreApplication::removePostedEvents(&posted);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, centre, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button_, &click);
    }
    EXPECT_EQ(clicks_, 1);
}

// Whatever would end the window is a close request, held for later; the rest of the input is
// dropped. Keys and clicks arrive at the window system's window, in its coordinates.
TEST_F(WriteShieldTest, WhatWouldEndTheWindowBecomesACloseRequest) {
    shield_.raise();
    const auto click = [this](QWidget* target) {
        const QPointF at = QRectF(target->geometry()).center();
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(window_.windowHandle(), &release);
    };
    const auto key = [this](int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QCoreApplication::sendEvent(window_.windowHandle(), &press);
    };
    click(button_);
    quit_->setFocus();
    key(Qt::Key_A);
    EXPECT_EQ(closeRequests_, 0);
    click(quit_);
    key(Qt::Key_Space);
    key(Qt::Key_Return);
    EXPECT_EQ(closeRequests_, 3);
    button_->setFocus();  // Enter would press "Update", Space too: both dropped
    key(Qt::Key_Enter);
    key(Qt::Key_Space);
    EXPECT_EQ(closeRequests_, 3);
    EXPECT_EQ(clicks_, 0);
}

}  // namespace
}  // namespace talo::qt::test
