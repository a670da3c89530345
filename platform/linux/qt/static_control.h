#pragma once

#include <QColor>
#include <QLabel>
#include <functional>
#include <optional>

namespace talo::qt {

// How a static control is coloured, asked on every paint like WM_CTLCOLORSTATIC: no value
// keeps the system colours; a value gives the text colour and the background colour.
struct StaticColours {
    QColor text;
    QColor background;
};
using StaticColourQuery = std::function<std::optional<StaticColours>(int controlId)>;

// A text label drawn the way a Windows static control draws itself: word-wrapped, left or right
// aligned, greyed while disabled, coloured by its owner while enabled. It is a QLabel for
// assistive technology only: screen readers get its text as its name, its enabled state, the
// control it labels (setBuddy) and a notice when the text changes; the drawing is its own.
class StaticControl final : public QLabel {
  public:
    StaticControl(int controlId, bool alignRight, StaticColourQuery colours, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int controlId_;
    bool alignRight_;
    StaticColourQuery colours_;
};

}  // namespace talo::qt
