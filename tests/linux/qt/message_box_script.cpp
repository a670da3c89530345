#include "tests/linux/qt/message_box_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <utility>

namespace talo::qt::test {

MessageBoxScript::MessageBoxScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

void MessageBoxScript::answer(QMessageBox::StandardButton button, std::function<void()> whileOpen) {
    steps_.push_back(Step{button, std::move(whileOpen)});
}

void MessageBoxScript::saveImages(const QString& directory, const QString& prefix) {
    QDir().mkpath(directory);
    imageDirectory_ = directory;
    imagePrefix_ = prefix;
}

void MessageBoxScript::poll() {
    if (busy_) {
        return;
    }
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<QMessageBox*>(widget);
            candidate != nullptr && candidate->isVisible()) {
            box = candidate;
        }
    }
    if (box == nullptr) {
        return;
    }
    // The action may run event loops of its own in which this timer fires again.
    busy_ = true;
    ShownBox record{
        box->windowTitle(), box->text(), box->icon(), {}, owner_ != nullptr && owner_->isVisible()};
    for (const QAbstractButton* button : box->buttons()) {
        record.buttons.append(button->text());
    }
    if (!imageDirectory_.isEmpty()) {
        box->grab().save(QStringLiteral("%1/%2-box%3.png")
                             .arg(imageDirectory_, imagePrefix_)
                             .arg(shown_.size() + 1));
    }
    shown_.push_back(record);
    QMessageBox::StandardButton choice =
        box->button(QMessageBox::Ok) != nullptr ? QMessageBox::Ok : QMessageBox::No;
    if (!steps_.empty()) {
        Step step = std::move(steps_.front());
        steps_.pop_front();
        if (step.whileOpen) {
            step.whileOpen();
        }
        choice = step.button;
    }
    if (QAbstractButton* button = box->button(choice)) {
        button->click();
    } else {
        box->reject();
    }
    busy_ = false;
}

}  // namespace talo::qt::test
