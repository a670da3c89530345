#include "ui/version_text.h"

#include <gtest/gtest.h>

namespace talo {
namespace {

TEST(VersionTextTest, UnitVersionsDropAZeroLowByteThenFollowTheThirtyTwoBitRule) {
    const std::pair<std::uint32_t, std::u16string_view> cases[] = {
        {0x00000105, u"1.5"}, {0x01000203, u"1.2.3"}, {0x00010200, u"1.2"},
        {0x01020300, u"2.3"}, {0xFF00FF00, u"0.255"},  // shifted first: never three parts
        {0x00000000, u"0.0"},
    };
    for (const auto& [version, text] : cases) {
        EXPECT_EQ(versionText32(unitVersionForDisplay(version)), text) << std::hex << version;
    }
    EXPECT_EQ(versionText32(0x02000A01), u"2.10.1");
    EXPECT_EQ(versionText32(0x00FF0102), u"1.2");  // the second byte is never shown
    EXPECT_EQ(versionText32(0x01FF0000), u"1.0.0");
    EXPECT_EQ(versionText32(0xFFFFFFFF), u"255.255.255");
}

// Only product 1 is a TUNEPUCK.
TEST(VersionTextTest, ControllerFirmwareIsHighDotLowOrTenHyphensAndModelByProduct) {
    EXPECT_EQ(controllerFirmwareText(0x0107), u"1.7");
    EXPECT_EQ(controllerFirmwareText(0xFFFE), u"255.254");
    EXPECT_EQ(controllerFirmwareText(0xFFFF), u"----------");
    EXPECT_EQ(unitModelName(1), u"TUNEPUCK");
    for (const int other : {0, 2, 0x0101}) {
        EXPECT_EQ(unitModelName(static_cast<std::uint16_t>(other)), u"TUNE-CARD") << other;
    }
}

}  // namespace
}  // namespace talo
