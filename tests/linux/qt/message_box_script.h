#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

namespace talo::qt::test {

// What a message box showed while it was open.
struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;        // button texts, as the user reads them
    bool ownerVisible = false;  // whether the main window was already on screen
};

// Answers the program's message boxes while their modal loops run: each open box is recorded,
// the next scripted step's action runs inside the box's loop, then the step's button is
// clicked. Without a scripted step a box is answered OK, or No when it has no OK.
class MessageBoxScript {
  public:
    MessageBoxScript();

    // Answers the next box with `button`, after running `whileOpen` inside its loop.
    void answer(QMessageBox::StandardButton button, std::function<void()> whileOpen = {});
    // Saves an image of each box as <directory>/<prefix>-box<N>.png.
    void saveImages(const QString& directory, const QString& prefix);
    // Widget whose visibility is recorded as ownerVisible.
    void setOwner(const QWidget* owner) { owner_ = owner; }

    const std::vector<ShownBox>& shown() const { return shown_; }

  private:
    struct Step {
        QMessageBox::StandardButton button;
        std::function<void()> whileOpen;
    };
    void poll();

    QTimer timer_;
    std::deque<Step> steps_;
    std::vector<ShownBox> shown_;
    const QWidget* owner_ = nullptr;
    QString imageDirectory_;
    QString imagePrefix_;
    bool busy_ = false;
};

}  // namespace talo::qt::test
