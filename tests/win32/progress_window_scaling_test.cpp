#include <gtest/gtest.h>

#include "platform/win32/win32_window_ops.h"

namespace talo::win32 {
namespace {

TEST(ProgressWindowScaling, GrowsWithTheScreenAroundTheSameCentre) {
    struct Case {
        int dotsPerInch;
        RECT expected;
    };
    // 400 x 50 at (300, 275): centred on (500, 300).
    const Case cases[] = {
        {96, {300, 275, 700, 325}},
        {144, {200, 263, 800, 338}},
        {192, {100, 250, 900, 350}},
    };
    for (const Case& c : cases) {
        const RECT place = scaledAroundCentre(300, 275, 400, 50, c.dotsPerInch);
        EXPECT_EQ(place.left, c.expected.left) << c.dotsPerInch;
        EXPECT_EQ(place.top, c.expected.top) << c.dotsPerInch;
        EXPECT_EQ(place.right, c.expected.right) << c.dotsPerInch;
        EXPECT_EQ(place.bottom, c.expected.bottom) << c.dotsPerInch;
    }
}

}  // namespace
}  // namespace talo::win32
