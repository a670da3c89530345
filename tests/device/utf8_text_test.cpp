#include "device/utf8_text.h"

#include <gtest/gtest.h>

namespace talo {
namespace {

TEST(Utf8TextTest, PathsSurviveTheRoundTripExactly) {
    const std::u16string path = u"/dev/hidraw3 Grüße \U0001F50C";
    std::string utf8;
    ASSERT_TRUE(utf16ToUtf8(path, utf8));
    EXPECT_EQ(utf8,
              "/dev/hidraw3 Gr\xC3\xBC\xC3\x9F"
              "e \xF0\x9F\x94\x8C");
    std::u16string back;
    ASSERT_TRUE(utf8ToUtf16(utf8, back));
    EXPECT_EQ(back, path);
}

TEST(Utf8TextTest, TextWithoutAnExactCounterpartIsRefusedAndLeavesTheOutputAlone) {
    std::u16string wide = u"kept";
    for (const char* bad : {"\xC0\xAF", "\x80", "\xE2\x82", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(utf8ToUtf16(bad, wide)) << bad;
    }
    EXPECT_EQ(wide, u"kept");

    std::string narrow = "kept";
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_FALSE(utf16ToUtf8(lone, narrow));
    EXPECT_EQ(narrow, "kept");
    EXPECT_EQ(toUtf8Lossy(lone),
              "a\xEF\xBF\xBD"
              "b");
}

}  // namespace
}  // namespace talo
