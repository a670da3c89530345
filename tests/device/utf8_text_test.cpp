#include "device/utf8_text.h"

#include <gtest/gtest.h>

namespace talo {
namespace {

// Each encoding length at both of its ends, and a path mixing them.
TEST(Utf8TextTest, TextSurvivesTheRoundTripExactly) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"\u007F", "\x7F"},
        {u"\u0080", "\xC2\x80"},
        {u"\u07FF", "\xDF\xBF"},
        {u"\u0800", "\xE0\xA0\x80"},
        {u"\uE000", "\xEE\x80\x80"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {u"/dev/hidraw3 Grüße €\U0001F50C",
         "/dev/hidraw3 Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC\xF0\x9F\x94\x8C"},
    };
    for (const auto& [wide, narrow] : cases) {
        std::string utf8;
        std::u16string utf16;
        EXPECT_TRUE(utf16ToUtf8(wide, utf8));
        EXPECT_EQ(utf8, narrow);
        EXPECT_EQ(toUtf8Lossy(wide), narrow);
        EXPECT_TRUE(utf8ToUtf16(narrow, utf16));
        EXPECT_EQ(utf16, wide);
    }
}

TEST(Utf8TextTest, TextWithoutAnExactCounterpartIsRefusedAndLeavesTheOutputAlone) {
    std::u16string wide = u"kept";
    for (const char* bad : {"\xC0\xAF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\x80", "a\xC2",
                            "\xE2\x82", "\xE2\x28\xA1", "\xED\xA0\x80", "\xED\xBF\xBF",
                            "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"}) {
        EXPECT_FALSE(utf8ToUtf16(bad, wide)) << bad;
    }
    EXPECT_EQ(wide, u"kept");

    std::string narrow = "kept";
    const std::pair<std::u16string, std::string> lone[] = {
        {std::u16string{u'a', 0xD800, u'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {std::u16string{0xDC00, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::u16string{0xDBFF}, "\xEF\xBF\xBD"},
    };
    for (const auto& [text, lossy] : lone) {
        EXPECT_FALSE(utf16ToUtf8(text, narrow));
        EXPECT_EQ(toUtf8Lossy(text), lossy);
    }
    EXPECT_EQ(narrow, "kept");
}

}  // namespace
}  // namespace talo
