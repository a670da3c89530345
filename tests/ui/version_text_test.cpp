#include "ui/version_text.h"

#include <gtest/gtest.h>

namespace talo {
namespace {

std::u16string unitText(std::uint32_t version) {
    return versionText32(unitVersionForDisplay(version));
}

TEST(VersionTextTest, UnitVersionWithLowByteSetIsShownAsIs) {
    EXPECT_EQ(unitText(0x00000105), u"1.5");
    EXPECT_EQ(unitText(0x01000203), u"1.2.3");
}

TEST(VersionTextTest, UnitVersionWithZeroLowByteIsShiftedFirst) {
    EXPECT_EQ(unitText(0x00010200), u"1.2");
    EXPECT_EQ(unitText(0x01020300), u"2.3");
}

TEST(VersionTextTest, ShiftedUnitVersionNeverHasThreeParts) {
    EXPECT_EQ(unitText(0xFF00FF00), u"0.255");  // shifted to 00 FF 00 FF
}

TEST(VersionTextTest, ThirtyTwoBitRuleSkipsTheSecondByte) {
    EXPECT_EQ(versionText32(0x00000000), u"0.0");
    EXPECT_EQ(versionText32(0x02000A01), u"2.10.1");
    EXPECT_EQ(versionText32(0x00FF0102), u"1.2");
    EXPECT_EQ(versionText32(0xFFFFFFFF), u"255.255.255");
}

TEST(VersionTextTest, ControllerFirmwareIsHighDotLow) {
    EXPECT_EQ(controllerFirmwareText(0x0107), u"1.7");
    EXPECT_EQ(controllerFirmwareText(0x0108), u"1.8");
    EXPECT_EQ(controllerFirmwareText(0xFFFE), u"255.254");
    EXPECT_EQ(controllerFirmwareText(0x0000), u"0.0");
}

TEST(VersionTextTest, MissingControllerFirmwareIsTenHyphens) {
    EXPECT_EQ(controllerFirmwareText(0xFFFF), u"----------");
}

TEST(VersionTextTest, OnlyProductOneIsATunePuck) {
    EXPECT_EQ(unitModelName(1), u"TUNEPUCK");
    EXPECT_EQ(unitModelName(2), u"TUNE-CARD");
    EXPECT_EQ(unitModelName(0), u"TUNE-CARD");
    EXPECT_EQ(unitModelName(0x0101), u"TUNE-CARD");
}

}  // namespace
}  // namespace talo
