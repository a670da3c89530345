#pragma once

#include <QFont>
#include <QRect>

namespace talo::qt {

// Pixels per dialog unit base: a dialog unit is a quarter of `x` horizontally and an eighth of
// `y` vertically, as the Windows dialog manager measures its dialog font.
struct DialogBaseUnits {
    int x = 0;  // average character width of the dialog font, in pixels
    int y = 0;  // character cell height of the dialog font, in pixels
};

// The base units of `font`: the average width of the 52 Latin letters, rounded the way Windows
// rounds it, and the font's full cell height.
DialogBaseUnits baseUnitsOf(const QFont& font);

// a * b / c rounded half away from zero (Windows MulDiv); 0 when c is 0.
int mulDiv(int a, int b, int c);

// A rectangle given in dialog units, in pixels.
QRect dialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);

// The font the window uses in place of the template's "MS Shell Dlg" 8 pt, which Linux lacks:
// the application's default family at 8 points.
QFont dialogFont();

}  // namespace talo::qt
