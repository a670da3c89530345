#include "ui/format_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace talo {
namespace {

class FormatTextTest : public ::testing::Test {
  protected:
    void SetUp() override { buffer_.fill(u'#'); }

    // Formats into the fixture's buffer with the given capacity and keeps the result.
    int format(std::size_t capacity, std::u16string_view pattern,
               std::initializer_list<FormatArg> args) {
        return formatText(buffer_.data(), capacity, pattern, args);
    }
    std::u16string_view text() const { return buffer_.data(); }

    std::array<char16_t, 64> buffer_{};
};

TEST_F(FormatTextTest, ExpandsEveryDirective) {
    const int length = format(64, u"%s %u 0x%08x 100%%",
                              {u"TALO", std::uint32_t{4294967295u}, std::uint32_t{0x65b}});
    EXPECT_EQ(text(), u"TALO 4294967295 0x0000065b 100%");
    EXPECT_EQ(length, 31);
}

TEST_F(FormatTextTest, NegativeResultShowsAsTwosComplement) {
    format(64, u"%08x", {std::int32_t{-2}});
    EXPECT_EQ(text(), u"fffffffe");
}

TEST_F(FormatTextTest, CapacityCountsTheTerminator) {
    EXPECT_EQ(format(6, u"%u", {std::uint32_t{12345}}), 5);
    EXPECT_EQ(text(), u"12345");
    EXPECT_EQ(format(5, u"%u", {std::uint32_t{12345}}), -1);
    EXPECT_EQ(text(), u"");
}

TEST_F(FormatTextTest, ZeroCapacityWritesNothing) {
    EXPECT_EQ(format(0, u"x", {}), -1);
    EXPECT_EQ(buffer_[0], u'#');
    EXPECT_EQ(formatText(nullptr, 10, u"x", {}), -1);
}

TEST_F(FormatTextTest, MissingArgumentFails) {
    EXPECT_EQ(format(64, u"%u.%u", {std::uint32_t{1}}), -1);
    EXPECT_EQ(text(), u"");
}

TEST_F(FormatTextTest, SurplusArgumentFails) {
    EXPECT_EQ(format(64, u"%u", {std::uint32_t{1}, std::uint32_t{2}}), -1);
    EXPECT_EQ(text(), u"");
}

TEST_F(FormatTextTest, ArgumentOfTheWrongKindFails) {
    EXPECT_EQ(format(64, u"%s", {std::uint32_t{1}}), -1);
    EXPECT_EQ(format(64, u"%u", {u"1"}), -1);
    EXPECT_EQ(format(64, u"%08x", {u"1"}), -1);
    EXPECT_EQ(text(), u"");
}

TEST_F(FormatTextTest, NullTextArgumentFails) {
    const char16_t* none = nullptr;
    EXPECT_EQ(format(64, u"[%s]", {none}), -1);
    EXPECT_EQ(text(), u"");
}

TEST_F(FormatTextTest, UnsupportedDirectivesFail) {
    for (std::u16string_view pattern : {u"%d", u"%x", u"%8x", u"%08", u"%", u"50%"}) {
        EXPECT_EQ(format(64, pattern, {std::uint32_t{1}}), -1) << pattern.size();
    }
}

TEST_F(FormatTextTest, TextArgumentEndsAtItsTerminator) {
    const std::u16string withNul(u"ab\0cd", 5);
    EXPECT_EQ(format(64, u"%s!", {std::u16string_view(withNul)}), 3);
    EXPECT_EQ(text(), u"ab!");
}

TEST_F(FormatTextTest, BufferMayHoldTheFormatItself) {
    const std::u16string_view pattern = u"Typ '%s'";
    std::copy(pattern.begin(), pattern.end(), buffer_.begin());
    buffer_[pattern.size()] = u'\0';
    EXPECT_EQ(format(64, std::u16string_view(buffer_.data()), {u"TALO Max 150"}), 18);
    EXPECT_EQ(text(), u"Typ 'TALO Max 150'");
}

}  // namespace
}  // namespace talo
