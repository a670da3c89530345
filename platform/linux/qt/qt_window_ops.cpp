#include "platform/linux/qt/qt_window_ops.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGroupBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

#include "platform/linux/qt/artwork.h"
#include "platform/linux/qt/static_control.h"
#include "platform/linux/qt/updater_dialog.h"
#include "platform/linux/qt/windows_metrics.h"
#include "resources/main_dialog_layout.h"
#include "resources/messages.h"
#include "ui/control_ids.h"

namespace talo::qt {

namespace {

QString toQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

ScreenRect toScreenRect(const QRect& rect) {
    // Windows rectangles end one pixel past the last one.
    return ScreenRect{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

constexpr int kExposeWaitMs = 1000;

// A window that has just been mapped is painted only once the window system has exposed it,
// and the update runs no event loop. Window-system events are taken here, briefly, without
// user input and timers (device notifications are held while the flash is written), so nothing
// of the program runs in between.
void waitUntilExposed(QWidget& window) {
    QElapsedTimer waited;
    waited.start();
    while (window.windowHandle() != nullptr && !window.windowHandle()->isExposed() &&
           waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers |
                                        QEventLoop::X11ExcludeTimers);
    }
}

}  // namespace

bool CloseBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QString displayText(const std::u16string& text) {
    QString shown = toQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QtWindowOps::QtWindowOps(UpdaterDialog& dialog, NotificationSource& notifications)
    : dialog_(dialog), notifications_(notifications) {
    for (const DialogControl& item : kDialogControls) {
        texts_[item.id] = item.text;
    }
}

QtWindowOps::~QtWindowOps() {
    if (notifying_) {
        notifications_.stop();
    }
}

void QtWindowOps::setControlText(int controlId, const std::u16string& text) {
    QWidget* widget = dialog_.control(controlId);
    if (widget == nullptr) {
        return;
    }
    texts_[controlId] = text;
    const QString shown = displayText(text);
    if (auto* label = dynamic_cast<StaticControl*>(widget)) {
        label->setText(shown);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(shown);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(shown);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(shown);
    }
}

const std::u16string& QtWindowOps::controlText(int controlId) const {
    static const std::u16string none;
    const auto found = texts_.find(controlId);
    return found == texts_.end() ? none : found->second;
}

int QtWindowOps::controlTextLength(int controlId) {
    return static_cast<int>(controlText(controlId).size());
}

int QtWindowOps::getControlText(int controlId, char16_t* buffer, int capacity) {
    if (buffer == nullptr || capacity < 1) {
        return 0;
    }
    const std::u16string& text = controlText(controlId);
    const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(capacity) - 1);
    std::copy_n(text.begin(), copied, buffer);
    buffer[copied] = u'\0';
    return static_cast<int>(copied);
}

void QtWindowOps::enableControl(int controlId, bool enabled) {
    if (QWidget* widget = dialog_.control(controlId)) {
        widget->setEnabled(enabled);
    }
}

void QtWindowOps::setTitle(const std::u16string& title) {
    dialog_.setWindowTitle(toQString(title));
}

void QtWindowOps::setClassIcon() {
    dialog_.setWindowIcon(programIcon());
}

int QtWindowOps::messageBox(const std::u16string& text, const std::u16string& caption,
                            MessageBoxKind kind) {
    QMessageBox box(&dialog_);
    box.setWindowTitle(toQString(caption));
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::WindowModal);
    switch (kind) {
        case MessageBoxKind::Error:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageBoxKind::Information:
            box.setIcon(QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageBoxKind::WarningYesNo:
            box.setIcon(QMessageBox::Warning);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
    }
    // exec() runs a nested event loop: device events reach the window while the box is open.
    const int answer = box.exec();
    switch (answer) {
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        default:
            return kAnswerOk;
    }
}

int QtWindowOps::loadString(std::uint16_t id, char16_t* buffer, int capacity) {
    return loadCatalogueString(id, buffer, capacity);
}

bool QtWindowOps::registerDeviceNotification() {
    notifying_ =
        notifications_.start([this](std::uint32_t eventCode, const DeviceNotification& record) {
            dialog_.deliverDeviceChange(eventCode, record);
        });
    return notifying_;
}

void QtWindowOps::unregisterDeviceNotification() {
    if (notifying_) {
        notifications_.stop();
        notifying_ = false;
    }
}

void QtWindowOps::endDialog(std::intptr_t result) {
    dialog_.endDialog(static_cast<int>(result));
}

ScreenRect QtWindowOps::windowRect(int controlId) {
    if (controlId == kIdMainWindow) {
        return toScreenRect(dialog_.frameGeometry());
    }
    const QWidget* widget = dialog_.control(controlId);
    if (widget == nullptr) {
        return ScreenRect{};
    }
    return toScreenRect(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
}

BrushHandle QtWindowOps::createButtonFaceBrush() {
    // The colour itself comes from the palette when painting; the handle only tracks the
    // brush's life.
    const BrushHandle brush = ++brushesCreated_;
    liveBrushes_.insert(brush);
    return brush;
}

void QtWindowOps::deleteBrush(BrushHandle brush) {
    liveBrushes_.erase(brush);
}

bool QtWindowOps::createProgressWindow(const std::u16string& title, int x, int y, int width,
                                       int height) {
    progress_ = std::make_unique<QProgressBar>(&dialog_);
    progress_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    progress_->setWindowTitle(toQString(title));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    // x, y, width and height describe the outer window; the bar is its client area inside the
    // classic frame and caption.
    progress_->setGeometry(x + kDialogFrame, y + kDialogFrame + kCaptionHeight,
                           width - 2 * kDialogFrame, height - 2 * kDialogFrame - kCaptionHeight);
    progress_->installEventFilter(&closeBlocker_);
    progress_->show();
    waitUntilExposed(*progress_);
    progress_->repaint();
    return true;
}

void QtWindowOps::setProgressPosition(unsigned percent) {
    if (!progress_) {
        return;
    }
    const int value = static_cast<int>(std::min(percent, 100u));
    if (value == progress_->value()) {
        return;  // most blocks leave the percentage as it was: nothing to paint
    }
    progress_->setValue(value);
    // Painted now: the update sequence runs no event loop until it ends.
    progress_->repaint();
}

void QtWindowOps::destroyProgressWindow() {
    progress_.reset();
}

QWidget* QtWindowOps::topWidget(TopWindow window) const {
    switch (window) {
        case TopWindow::Main:
            return &dialog_;
        case TopWindow::Progress:
            return progress_.get();
        case TopWindow::Other:
            break;
    }
    return nullptr;
}

void QtWindowOps::raiseToTop(TopWindow window) {
    if (QWidget* widget = topWidget(window)) {
        widget->raise();
    }
}

TopWindow QtWindowOps::foregroundWindow() {
    const QWidget* active = QApplication::activeWindow();
    if (active == nullptr) {
        return TopWindow::Other;
    }
    if (active == &dialog_) {
        return TopWindow::Main;
    }
    if (progress_ && active == progress_.get()) {
        return TopWindow::Progress;
    }
    return TopWindow::Other;
}

void QtWindowOps::showWindow(TopWindow window) {
    if (QWidget* widget = topWidget(window)) {
        widget->show();
    }
}

// Device notifications wait in their descriptors while the flash is written: the event loop
// may not skip socket notifiers on its own (the GLib dispatcher does not).
void QtWindowOps::enterProtectedWrite() {
    notifications_.hold(true);
    dialog_.setProtectedWrite(true);
}

void QtWindowOps::leaveProtectedWrite() {
    dialog_.setProtectedWrite(false);
    notifications_.hold(false);
}

}  // namespace talo::qt
