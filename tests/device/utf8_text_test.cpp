#include "device/utf8_text.h"

#include <gtest/gtest.h>

namespace talo {
namespace {

// Each encoding length at both of its ends, in a path.
TEST(Utf8TextTest, TextSurvivesTheRoundTripExactly) {
    const std::u16string wide = u"/dev/\u007F\u0080\u07FF\u0800\U00010000\uE000\uFFFF\U0010FFFF";
    const std::string narrow =
        "/dev/"
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xF0\x90\x80\x80\xEE\x80\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF";
    std::string utf8;
    std::u16string utf16;
    EXPECT_TRUE(utf16ToUtf8(wide, utf8));
    EXPECT_EQ(utf8, narrow);
    EXPECT_TRUE(utf8ToUtf16(narrow, utf16));
    EXPECT_EQ(utf16, wide);
}

TEST(Utf8TextTest, TextWithoutAnExactCounterpartIsRefusedAndLeavesTheOutputAlone) {
    std::u16string wide = u"kept";
    for (const char* bad : {"\xC0\xAF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\x80", "a\xC2",
                            "\xE2\x82", "\xE2\x28\xA1", "\xED\xA0\x80", "\xED\xBF\xBF",
                            "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"}) {
        EXPECT_FALSE(utf8ToUtf16(bad, wide)) << bad;
    }
    EXPECT_EQ(wide, u"kept");

    // Unpaired surrogates: a high one before a letter, a low one, a high one at the end.
    const std::u16string lone{u'a', 0xD800, u'b', 0xDC00, 0xDBFF};
    std::string narrow = "kept";
    EXPECT_FALSE(utf16ToUtf8(lone, narrow));
    EXPECT_EQ(narrow, "kept");
    EXPECT_EQ(toUtf8Lossy(lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace talo
