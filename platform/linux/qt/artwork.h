#pragma once

#include <QIcon>
#include <QImage>

namespace talo::qt {

// The logo's background colour, pure green, which is never drawn.
inline constexpr QRgb kLogoKeyColour = 0xFF00FF00;

// A copy of `image` with an alpha channel in which every pixel of exactly `key` is transparent.
QImage keyOutColour(const QImage& image, QRgb key);

// The maker's logo carried by the program, its green background already transparent; a null
// image when it cannot be decoded.
QImage programLogo();

// The program icon in all carried sizes.
QIcon programIcon();

}  // namespace talo::qt
