#include "platform/linux/qt/dialog_units.h"

#include <gtest/gtest.h>

namespace talo::qt::test {
namespace {

TEST(DialogUnitsTest, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(mulDiv(228, 13, 8), 371);  // 370.5
    EXPECT_EQ(mulDiv(-228, 13, 8), -371);
    EXPECT_EQ(mulDiv(10, 7, 4), 18);  // 17.5
    EXPECT_EQ(mulDiv(9, 7, 4), 16);   // 15.75
    EXPECT_EQ(mulDiv(5, 1, 0), 0);
}

TEST(DialogUnitsTest, RectangleScalesByQuarterWidthAndEighthHeight) {
    const QRect pixels = dialogUnitsToPixels(DialogBaseUnits{6, 13}, 157, 199, 50, 14);

    EXPECT_EQ(pixels, QRect(236, 323, 75, 23));
}

}  // namespace
}  // namespace talo::qt::test
