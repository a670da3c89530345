#include "device/utf8_text.h"

#include <cstdint>

namespace talo {
namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

void appendUtf16(char32_t codePoint, std::u16string& out) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    const char32_t offset = codePoint - 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

void appendUtf8(char32_t codePoint, std::string& out) {
    auto put = [&out](char32_t value) { out.push_back(static_cast<char>(value)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
}

// Walks the code points of UTF-16 text; an unpaired surrogate is handed over as itself.
template <typename Visit>
void forEachCodePoint(std::u16string_view text, Visit visit) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const char16_t unit = text[pos];
        if (unit >= 0xD800 && unit <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
            text[pos + 1] <= 0xDFFF) {
            visit(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[pos + 1] - 0xDC00));
            ++pos;
        } else {
            visit(char32_t{unit});
        }
    }
}

bool isSurrogate(char32_t codePoint) {
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

}  // namespace

bool utf8ToUtf16(std::string_view text, std::u16string& out) {
    std::u16string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if ((lead & 0xE0u) == 0xC0u) {
            length = 2;
            codePoint = lead & 0x1Fu;
            smallest = 0x80;
        } else if ((lead & 0xF0u) == 0xE0u) {
            length = 3;
            codePoint = lead & 0x0Fu;
            smallest = 0x800;
        } else if ((lead & 0xF8u) == 0xF0u) {
            length = 4;
            codePoint = lead & 0x07u;
            smallest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - pos < length) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[pos + i]);
            if (!isContinuation(next)) {
                return false;
            }
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        if (codePoint < smallest || surrogate || codePoint > 0x10FFFF) {
            return false;  // overlong forms and surrogates have no UTF-16 twin
        }
        appendUtf16(codePoint, result);
        pos += length;
    }
    out = std::move(result);
    return true;
}

bool utf16ToUtf8(std::u16string_view text, std::string& out) {
    std::string result;
    bool exact = true;
    forEachCodePoint(text, [&](char32_t codePoint) {
        exact = exact && !isSurrogate(codePoint);
        appendUtf8(codePoint, result);
    });
    if (!exact) {
        return false;
    }
    out = std::move(result);
    return true;
}

std::string toUtf8Lossy(std::u16string_view text) {
    std::string result;
    result.reserve(text.size());
    forEachCodePoint(text, [&](char32_t codePoint) {
        appendUtf8(isSurrogate(codePoint) ? char32_t{0xFFFD} : codePoint, result);
    });
    return result;
}

}  // namespace talo
