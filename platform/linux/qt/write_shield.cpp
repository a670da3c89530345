#include "platform/linux/qt/write_shield.h"

#include <QCoreApplication>
#include <QKeyEvent>
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

bool WriteShield::eventFilter(QObject* watched, QEvent* event) {
    if (!isInput(*event)) {
        return false;
    }
    if (event->type() == QEvent::KeyPress && belongsToMainWindow(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat() && onCloseRequest_) {
            onCloseRequest_();
        }
    }
    return true;
}

}  // namespace talo::qt
