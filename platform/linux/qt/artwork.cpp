#include "platform/linux/qt/artwork.h"

#include <QPixmap>
#include <cstddef>

// PNG files embedded at build time from the generated artwork.
extern const unsigned char talo_qt_logo_png[];
extern const std::size_t talo_qt_logo_png_size;
extern const unsigned char talo_qt_icon16_png[];
extern const std::size_t talo_qt_icon16_png_size;
extern const unsigned char talo_qt_icon32_png[];
extern const std::size_t talo_qt_icon32_png_size;
extern const unsigned char talo_qt_icon48_png[];
extern const std::size_t talo_qt_icon48_png_size;
extern const unsigned char talo_qt_icon256_png[];
extern const std::size_t talo_qt_icon256_png_size;

namespace talo::qt {

namespace {

QImage decodePng(const unsigned char* data, std::size_t size) {
    return QImage::fromData(data, static_cast<int>(size), "PNG");
}

}  // namespace

QImage keyOutColour(const QImage& image, QRgb key) {
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb opaqueKey = key | 0xFF000000u;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((row[x] | 0xFF000000u) == opaqueKey) {
                row[x] = 0;
            }
        }
    }
    return keyed;
}

QImage programLogo() {
    const QImage logo = decodePng(talo_qt_logo_png, talo_qt_logo_png_size);
    return logo.isNull() ? logo : keyOutColour(logo, kLogoKeyColour);
}

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(decodePng(talo_qt_icon16_png, talo_qt_icon16_png_size)));
    icon.addPixmap(QPixmap::fromImage(decodePng(talo_qt_icon32_png, talo_qt_icon32_png_size)));
    icon.addPixmap(QPixmap::fromImage(decodePng(talo_qt_icon48_png, talo_qt_icon48_png_size)));
    icon.addPixmap(QPixmap::fromImage(decodePng(talo_qt_icon256_png, talo_qt_icon256_png_size)));
    return icon;
}

}  // namespace talo::qt
