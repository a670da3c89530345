#include "platform/linux/qt/write_shield.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>
#include <QWindow>

namespace talo::qt {

namespace {

bool isInput(const QEvent& event) {
    switch (event.type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
            return true;
        default:
            // Mouse, key (with shortcut override), wheel, touch, tablet, hover, context menu.
            return event.isInputEvent();
    }
}

}  // namespace

WriteShield::WriteShield(QWidget& mainWindow, std::function<void()> onCloseRequest)
    : mainWindow_(mainWindow), onCloseRequest_(std::move(onCloseRequest)) {}

WriteShield::~WriteShield() {
    lower();
}

void WriteShield::raise() {
    if (!raised_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
        raised_ = true;
    }
}

void WriteShield::lower() {
    if (raised_) {
        QCoreApplication::instance()->removeEventFilter(this);
        raised_ = false;
    }
}

void WriteShield::service() {
    if (!raised_ || servicing_) {
        return;
    }
    servicing_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    servicing_ = false;
}

bool WriteShield::belongsToMainWindow(QObject* object) const {
    if (auto* window = qobject_cast<QWindow*>(object)) {
        return window == mainWindow_.windowHandle();
    }
    if (auto* widget = qobject_cast<QWidget*>(object)) {
        return widget->window() == &mainWindow_;
    }
    return false;
}

bool WriteShield::requestsClose(QObject* watched, const QEvent& event) const {
    if (event.type() == QEvent::MouseButtonRelease) {
        // Input reaches the window system's window first, in its coordinates; a widget sees it
        // in its own.
        const auto& mouse = static_cast<const QMouseEvent&>(event);
        if (closeButton_ == nullptr || mouse.button() != Qt::LeftButton) {
            return false;
        }
        const QPoint at = mouse.position().toPoint();
        if (watched == mainWindow_.windowHandle()) {
            return mainWindow_.childAt(at) == closeButton_;
        }
        return watched == closeButton_ && closeButton_->rect().contains(at);
    }
    if (event.type() != QEvent::KeyPress || !belongsToMainWindow(watched)) {
        return false;
    }
    const auto& key = static_cast<const QKeyEvent&>(event);
    if (key.isAutoRepeat()) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    switch (key.key()) {
        case Qt::Key_Escape:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The default button takes Enter unless another push button has the focus.
            return closeButton_ != nullptr &&
                   (focus == closeButton_ || qobject_cast<QPushButton*>(focus) == nullptr);
        case Qt::Key_Space:
            return closeButton_ != nullptr && focus == closeButton_;
        default:
            return false;
    }
}

bool WriteShield::eventFilter(QObject* watched, QEvent* event) {
    if (!isInput(*event)) {
        return false;
    }
    if (requestsClose(watched, *event) && onCloseRequest_) {
        onCloseRequest_();
    }
    return true;
}

}  // namespace talo::qt
