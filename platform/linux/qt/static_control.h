#pragma once

#include <QColor>
#include <QWidget>
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
// aligned, greyed while disabled, coloured by its owner while enabled.
class StaticControl final : public QWidget {
  public:
    StaticControl(int controlId, bool alignRight, StaticColourQuery colours, QWidget* parent);

    void setText(const QString& text);
    const QString& text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int controlId_;
    bool alignRight_;
    StaticColourQuery colours_;
    QString text_;
};

}  // namespace talo::qt
