#include "text_output.h"

#include <cstdint>

namespace talo::flash {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t cp) {
    auto byte = [&out](std::uint32_t value) { out.push_back(static_cast<char>(value)); };
    const auto v = static_cast<std::uint32_t>(cp);
    if (v < 0x80) {
        byte(v);
    } else if (v < 0x800) {
        byte(0xC0 | (v >> 6));
        byte(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        byte(0xE0 | (v >> 12));
        byte(0x80 | ((v >> 6) & 0x3F));
        byte(0x80 | (v & 0x3F));
    } else {
        byte(0xF0 | (v >> 18));
        byte(0x80 | ((v >> 12) & 0x3F));
        byte(0x80 | ((v >> 6) & 0x3F));
        byte(0x80 | (v & 0x3F));
    }
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            const char32_t cp =
                0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            appendUtf8(out, cp);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string toTerminalText(std::u16string_view text) {
    std::u16string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;  // the LF that follows is kept
        }
        plain.push_back(text[i]);
    }
    return toUtf8(plain);
}

}  // namespace talo::flash
