#include "platform/linux/qt/updater_dialog.h"

#include <QEventLoop>
#include <QGroupBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <ranges>

#include "platform/linux/qt/artwork.h"
#include "platform/linux/qt/windows_metrics.h"
#include "resources/main_dialog_layout.h"
#include "ui/control_ids.h"

namespace talo::qt {

namespace {

QString toQString(const char16_t* text) {
    return QString::fromUtf16(text);
}

// The version labels may run on up to one dialog unit before their values: the Linux fonts are
// wider than the Windows dialog font, and "Programmiereinheit" would lose its last letter.
constexpr int kVersionValueX = 90;

constexpr int kRetryIntervalMs = 1000;

int layoutWidth(const DialogControl& item) {
    const bool versionLabel =
        item.id == kIdUnitLabel || item.id == kIdBootloaderLabel || item.id == kIdControllerLabel;
    return versionLabel ? kVersionValueX - item.x - 1 : item.width;
}

}  // namespace

class UpdaterDialog::LogicCall {
  public:
    explicit LogicCall(UpdaterDialog& dialog) : dialog_(dialog) { ++dialog_.logicDepth_; }
    ~LogicCall() {
        if (--dialog_.logicDepth_ == 0 && dialog_.quitHeldBack_ && !dialog_.ended_) {
            dialog_.quitHeldBack_ = false;
            dialog_.command(kIdQuit);
        }
    }
    LogicCall(const LogicCall&) = delete;
    LogicCall& operator=(const LogicCall&) = delete;

  private:
    UpdaterDialog& dialog_;
};

UpdaterDialog::UpdaterDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      logo_(programLogo()),
      shield_(*this, [this] { requestClose(); }) {
    retryTimer_.setInterval(kRetryIntervalMs);
    connect(&retryTimer_, &QTimer::timeout, this, [this] { retryTick(); });
    setFont(dialogFont());
    units_ = baseUnitsOf(font());
    setWindowTitle(toQString(kDialogCaption));
    const QRect client = dialogUnitsToPixels(units_, 0, 0, kDialogWidth, kDialogHeight);
    setFixedSize(client.size());
    createControls();
}

UpdaterDialog::~UpdaterDialog() = default;

void UpdaterDialog::createControls() {
    for (const DialogControl& item : kDialogControls) {
        QWidget* widget = nullptr;
        const QString text = toQString(item.text);
        switch (item.kind) {
            case DialogControlKind::DefaultButton:
            case DialogControlKind::Button: {
                auto* button = new QPushButton(text, this);
                button->setAutoDefault(true);
                button->setDefault(item.kind == DialogControlKind::DefaultButton);
                button->setFocusPolicy(Qt::StrongFocus);
                const int id = item.id;
                connect(button, &QPushButton::clicked, this, [this, id] { command(id); });
                widget = button;
                break;
            }
            case DialogControlKind::Static:
            case DialogControlKind::StaticRight:
                widget = new StaticControl(
                    item.id, item.kind == DialogControlKind::StaticRight,
                    [this](int controlId) { return staticColours(controlId); }, this);
                static_cast<StaticControl*>(widget)->setText(text);
                break;
            case DialogControlKind::StatusEdit: {
                auto* edit = new QPlainTextEdit(this);
                edit->setReadOnly(true);
                edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                // No tab stop, but a click still focuses it, as an edit control without
                // WS_TABSTOP behaves.
                edit->setFocusPolicy(Qt::ClickFocus);
                widget = edit;
                break;
            }
            case DialogControlKind::GroupBox: {
                auto* group = new QGroupBox(text, this);
                group->setFocusPolicy(Qt::NoFocus);
                widget = group;
                break;
            }
        }
        widget->setGeometry(
            dialogUnitsToPixels(units_, item.x, item.y, layoutWidth(item), item.height));
        widget->setEnabled(!item.disabled);
        controls_[item.id] = widget;
    }
    // Template order is top of the z order first: raise from the last to the first.
    for (const DialogControl& item : kDialogControls | std::views::reverse) {
        controls_[item.id]->raise();
    }
    setTabOrder(button(kIdQuit), button(kIdUpdate));
    shield_.setCloseButton(button(kIdQuit));
    for (const DialogCaption& pair : kDialogCaptions) {
        staticControl(pair.caption)->setBuddy(control(pair.control));
    }
}

QWidget* UpdaterDialog::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QPushButton* UpdaterDialog::button(int id) const {
    return qobject_cast<QPushButton*>(control(id));
}

StaticControl* UpdaterDialog::staticControl(int id) const {
    return dynamic_cast<StaticControl*>(control(id));
}

QPlainTextEdit* UpdaterDialog::statusPane() const {
    return qobject_cast<QPlainTextEdit*>(control(kIdStatusPane));
}

void UpdaterDialog::placeCentred() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

bool UpdaterDialog::initialise() {
    placeCentred();
    if (logic_ != nullptr) {
        const LogicCall call(*this);
        logic_->onInitDialog();
    }
    if (ended_) {
        return false;
    }
    if (afterEvaluation_) {
        afterEvaluation_();
    }
    // The first enabled tab stop gets the focus, as after WM_INITDIALOG returning 1.
    button(kIdQuit)->setFocus(Qt::OtherFocusReason);
    retryTimer_.start();
    return !ended_;
}

int UpdaterDialog::run() {
    if (!initialise()) {
        return endResult_;
    }
    // Its own loop rather than exec(): exec() would make the window application-modal and
    // block the simulator's control window. Message boxes are modal to this window only, as a
    // box owned by a Windows dialog disables just its owner.
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    if (!ended_) {
        loop.exec();
    }
    return endResult_;
}

void UpdaterDialog::endDialog(int result) {
    ended_ = true;
    retryTimer_.stop();
    endResult_ = result;
    if (isVisible()) {
        done(result);
    } else {
        setResult(result);
    }
}

void UpdaterDialog::reject() {
    requestClose();
}

void UpdaterDialog::requestClose() {
    if (logicDepth_ > 0) {
        quitHeldBack_ = true;
        return;
    }
    command(kIdQuit);
}

void UpdaterDialog::setProtectedWrite(bool writing) {
    if (writing) {
        shield_.raise();
    } else {
        shield_.lower();
    }
}

void UpdaterDialog::command(int id) {
    if (logic_ == nullptr || ended_) {
        return;
    }
    const LogicCall call(*this);
    logic_->onCommand(id);
}

void UpdaterDialog::deliverDeviceChange(std::uint32_t eventCode, const DeviceNotification& record) {
    if (logic_ == nullptr || ended_) {
        return;
    }
    const LogicCall call(*this);
    logic_->onDeviceChange(eventCode, &record);
    if (eventCode == kDeviceArrival && afterEvaluation_) {
        afterEvaluation_();
    }
}

void UpdaterDialog::retryTick() {
    if (logic_ == nullptr || ended_ || logicDepth_ > 0) {
        return;
    }
    const LogicCall call(*this);
    if (logic_->onRetryTimer() && afterEvaluation_) {
        afterEvaluation_();
    }
}

std::optional<StaticColours> UpdaterDialog::staticColours(int controlId) {
    if (logic_ == nullptr || logic_->onCtlColorStatic(controlId) == 0) {
        return std::nullopt;
    }
    // Red text on the button-face colour.
    return StaticColours{QColor(255, 0, 0), palette().color(QPalette::Button)};
}

void UpdaterDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    const QWidget* group = control(kIdVersionGroup);
    if (logo_.isNull() || group == nullptr) {
        return;
    }
    // Client coordinates stand in for screen coordinates; the frame is the classic dialog's,
    // so the logo sits where it sits on Windows whatever frame the window manager draws.
    const QRect box = group->geometry();
    const ScreenRect window{-kDialogFrame, -(kDialogFrame + kCaptionHeight), width() + kDialogFrame,
                            height() + kDialogFrame};
    const ScreenRect groupBox{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
    const LogoPlacement place = logoPlacement(logo_.width(), logo_.height(), window, groupBox,
                                              kDialogFrame, kCaptionHeight);
    if (place.width <= 0 || place.height <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(place.x, place.y, place.width, place.height), logo_);
}

}  // namespace talo::qt
