#include "ui/format_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

namespace talo {
namespace {

using Formatted = std::pair<int, std::u16string>;

// formatText into a buffer of `capacity` filled with '#' beforehand: its result and the text it
// leaves there.
Formatted format(std::size_t capacity, std::u16string_view pattern,
                 std::initializer_list<FormatArg> args) {
    std::array<char16_t, 64> buffer;
    buffer.fill(u'#');
    const int length = formatText(buffer.data(), capacity, pattern, args);
    return {length, std::u16string(buffer.data())};
}

TEST(FormatTextTest, WritesTheTextOrRefusesLeavingItEmptyOrUntouched) {
    EXPECT_EQ(format(64, u"%s %u 0x%08x 100%%", {u"TALO", 4294967295u, 0x65bu}),
              Formatted(31, u"TALO 4294967295 0x0000065b 100%"));
    EXPECT_EQ(format(64, u"%08x", {std::int32_t{-2}}), Formatted(8, u"fffffffe"));
    EXPECT_EQ(format(6, u"%u", {12345u}), Formatted(5, u"12345"));  // exact fit
    EXPECT_EQ(format(5, u"%u", {12345u}), Formatted(-1, u""));      // one short
    EXPECT_EQ(format(64, u"%s!", {std::u16string_view(u"ab\0cd", 5)}), Formatted(3, u"ab!"));
    struct Refused {
        std::u16string_view pattern;
        std::initializer_list<FormatArg> args;
    };
    const Refused refused[] = {
        {u"%u.%u", {1u}},   // missing argument
        {u"%u", {1u, 2u}},  // surplus argument
        {u"%s", {1u}},      // number for text
        {u"%u", {u"1"}},    // text for number
        {u"%08x", {u"1"}},  // text for hex
        {u"[%s]", {static_cast<const char16_t*>(nullptr)}},
        {u"%d", {1u}},  // only the known directives are understood
        {u"%8x", {1u}},
        {u"%08", {1u}},
        {u"%", {1u}},
        {u"50%", {1u}},
    };
    for (const auto& [pattern, args] : refused) {
        EXPECT_EQ(format(64, pattern, args), Formatted(-1, u"")) << pattern.size();
    }

    // No room at all; a buffer that holds the format itself.
    char16_t untouched = u'#';
    EXPECT_EQ(formatText(&untouched, 0, u"x", {}), -1);
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(formatText(nullptr, 10, u"x", {}), -1);

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
