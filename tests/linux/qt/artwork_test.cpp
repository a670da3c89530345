#include "platform/linux/qt/artwork.h"

#include <gtest/gtest.h>

#include <QImage>

namespace talo::qt::test {
namespace {

TEST(ArtworkTest, OnlyPureGreenBecomesTransparent) {
    QImage image(3, 1, QImage::Format_RGB888);
    image.setPixelColor(0, 0, QColor(0, 255, 0));
    image.setPixelColor(1, 0, QColor(0, 254, 0));
    image.setPixelColor(2, 0, QColor(1, 255, 0));

    const QImage keyed = keyOutColour(image, kLogoKeyColour);

    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(keyed.pixelColor(1, 0), QColor(0, 254, 0));
    EXPECT_EQ(keyed.pixelColor(2, 0), QColor(1, 255, 0));
}

}  // namespace
}  // namespace talo::qt::test
