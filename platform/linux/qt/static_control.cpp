#include "platform/linux/qt/static_control.h"

#include <QPainter>
#include <QTextOption>
#include <utility>

namespace talo::qt {

StaticControl::StaticControl(int controlId, bool alignRight, StaticColourQuery colours,
                             QWidget* parent)
    : QLabel(parent),
      controlId_(controlId),
      alignRight_(alignRight),
      colours_(std::move(colours)) {}

void StaticControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QColor textColour =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    // The owner is asked on every paint, enabled or not, as Windows asks the dialog; a disabled
    // static is still drawn greyed.
    const std::optional<StaticColours> owned = colours_ ? colours_(controlId_) : std::nullopt;
    if (owned) {
        painter.fillRect(rect(), owned->background);
        if (isEnabled()) {
            textColour = owned->text;
        }
    }
    painter.setPen(textColour);
    const Qt::Alignment alignment = (alignRight_ ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
    painter.drawText(QRectF(rect()), text(), QTextOption(alignment));
}

}  // namespace talo::qt
