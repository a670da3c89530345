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
        window_.show();
        QObject::connect(button_, &QPushButton::clicked, [this] { ++clicks_; });
        QCoreApplication::processEvents();
    }
    QWidget window_;
    QPushButton* button_ = nullptr;
    int clicks_ = 0;
    int closeRequests_ = 0;
    WriteShield shield_{window_, [this] { ++closeRequests_; }};
};

TEST_F(WriteShieldTest, ServiceHandlesWindowEventsButNoInputOrTimers) {
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
}

TEST_F(WriteShieldTest, LoweredShieldNeitherServicesNorFilters) {
    EventCounter posted(QEvent::User);
    QCoreApplication::postEvent(&posted, new QEvent(QEvent::User));

    shield_.service();
    EXPECT_EQ(posted.count, 0);

    const QPointF centre = QRectF(button_->rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, centre, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button_, &click);
    }
    EXPECT_EQ(clicks_, 1);
    QCoreApplication::removePostedEvents(&posted);
}

}  // namespace
}  // namespace talo::qt::test
