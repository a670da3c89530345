#include "ui/format_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace talo {
namespace {

// One call of formatText into a buffer of `capacity` filled with '#' beforehand.
struct FormatCase {
    const char* name;
    int (*format)(char16_t* buffer, std::size_t capacity);
    std::size_t capacity;
    int length;  // -1: refused
    std::u16string_view text;
};

const FormatCase kCases[] = {
    {"EveryDirective",
     [](char16_t* b, std::size_t c) {
         return formatText(b, c, u"%s %u 0x%08x 100%%",
                           {u"TALO", std::uint32_t{4294967295u}, std::uint32_t{0x65b}});
     },
     64, 31, u"TALO 4294967295 0x0000065b 100%"},
    {"NegativeAsTwosComplement",
     [](char16_t* b, std::size_t c) { return formatText(b, c, u"%08x", {std::int32_t{-2}}); }, 64,
     8, u"fffffffe"},
    {"ExactFit",
     [](char16_t* b, std::size_t c) { return formatText(b, c, u"%u", {std::uint32_t{12345}}); }, 6,
     5, u"12345"},
    {"OneShort",
     [](char16_t* b, std::size_t c) { return formatText(b, c, u"%u", {std::uint32_t{12345}}); }, 5,
     -1, u""},
    {"TextEndsAtItsNul",
     [](char16_t* b, std::size_t c) {
         return formatText(b, c, u"%s!", {std::u16string_view(u"ab\0cd", 5)});
     },
     64, 3, u"ab!"},
    {"MissingArgument",
     [](char16_t* b, std::size_t c) { return formatText(b, c, u"%u.%u", {std::uint32_t{1}}); }, 64,
     -1, u""},
    {"SurplusArgument",
     [](char16_t* b, std::size_t c) {
         return formatText(b, c, u"%u", {std::uint32_t{1}, std::uint32_t{2}});
     },
     64, -1, u""},
    {"NumberForText",
     [](char16_t* b, std::size_t c) { return formatText(b, c, u"%s", {std::uint32_t{1}}); }, 64, -1,
     u""},
    {"TextForNumber", [](char16_t* b, std::size_t c) { return formatText(b, c, u"%u", {u"1"}); },
     64, -1, u""},
    {"TextForHex", [](char16_t* b, std::size_t c) { return formatText(b, c, u"%08x", {u"1"}); }, 64,
     -1, u""},
    {"NullText",
     [](char16_t* b, std::size_t c) {
         return formatText(b, c, u"[%s]", {static_cast<const char16_t*>(nullptr)});
     },
     64, -1, u""},
};

class FormatTextTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTextTest, WritesTheTextOrRefusesLeavingItEmpty) {
    std::array<char16_t, 64> buffer;
    buffer.fill(u'#');
    const FormatCase& c = GetParam();
    EXPECT_EQ(c.format(buffer.data(), c.capacity), c.length);
    EXPECT_EQ(std::u16string_view(buffer.data()), c.text);
}

INSTANTIATE_TEST_SUITE_P(Calls, FormatTextTest, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FormatTextDirectives, OnlyTheKnownOnesAreUnderstood) {
    std::array<char16_t, 8> buffer{};
    for (std::u16string_view pattern : {u"%d", u"%x", u"%8x", u"%08", u"%", u"50%"}) {
        EXPECT_EQ(formatText(buffer.data(), buffer.size(), pattern, {std::uint32_t{1}}), -1)
            << pattern.size();
    }
    char16_t untouched = u'#';
    EXPECT_EQ(formatText(&untouched, 0, u"x", {}), -1);
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(formatText(nullptr, 10, u"x", {}), -1);
}

TEST(FormatTextDirectives, BufferMayHoldTheFormatItself) {
    std::array<char16_t, 64> buffer{};
    const std::u16string_view pattern = u"Typ '%s'";
    std::copy(pattern.begin(), pattern.end(), buffer.begin());
    EXPECT_EQ(formatText(buffer.data(), buffer.size(), std::u16string_view(buffer.data()),
                         {u"TALO Max 150"}),
              18);
    EXPECT_EQ(std::u16string_view(buffer.data()), u"Typ 'TALO Max 150'");
}

}  // namespace
}  // namespace talo
