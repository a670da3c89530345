#include "platform/linux/qt/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <cstdint>

namespace talo::qt {

namespace {
constexpr int kDialogFontPoints = 8;
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
}  // namespace

DialogBaseUnits baseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QString::fromLatin1(kLetters));
    // Windows averages over 26 and rounds the half-width up: (extent / 26 + 1) / 2.
    return DialogBaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

int mulDiv(int a, int b, int c) {
    if (c == 0) {
        return 0;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = (c < 0 ? -c : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product) + half;
    const std::int64_t quotient = magnitude / (c < 0 ? -c : c);
    return static_cast<int>(negative ? -quotient : quotient);
}

QRect dialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height) {
    return QRect(mulDiv(x, units.x, 4), mulDiv(y, units.y, 8), mulDiv(width, units.x, 4),
                 mulDiv(height, units.y, 8));
}

QFont dialogFont() {
    QFont font = QApplication::font();
    font.setPointSize(kDialogFontPoints);
    return font;
}

}  // namespace talo::qt
