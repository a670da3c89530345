#include "ui/format_text.h"

#include <algorithm>
#include <climits>
#include <string>

namespace talo {
namespace {

constexpr std::u16string_view kHexDirective = u"08x";

void appendDecimal(std::u16string& out, std::uint32_t value) {
    char16_t digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

void appendHex8(std::u16string& out, std::uint32_t value) {
    constexpr std::u16string_view kDigits = u"0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xFu]);
    }
}

// Expands `format` into `out`; false when a directive is unknown or the arguments do not
// match the directives in number and kind.
bool expand(std::u16string& out, std::u16string_view format,
            std::initializer_list<FormatArg> args) {
    const FormatArg* next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        if (++i == format.size()) {
            return false;  // a lone % at the end
        }
        const char16_t directive = format[i];
        if (directive == u'%') {
            out.push_back(u'%');
            continue;
        }
        if (next == args.end()) {
            return false;
        }
        const FormatArg& arg = *next++;
        if (directive == u's') {
            if (!arg.isText() || arg.isNullText()) {
                return false;
            }
            const std::u16string_view text = arg.text();
            out.append(text.substr(0, text.find(u'\0')));
        } else if (directive == u'u') {
            if (arg.isText()) {
                return false;
            }
            appendDecimal(out, arg.number());
        } else if (format.substr(i, kHexDirective.size()) == kHexDirective) {
            if (arg.isText()) {
                return false;
            }
            appendHex8(out, arg.number());
            i += kHexDirective.size() - 1;
        } else {
            return false;
        }
    }
    return next == args.end();
}

}  // namespace

int formatText(char16_t* buffer, std::size_t capacity, std::u16string_view format,
               std::initializer_list<FormatArg> args) {
    if (buffer == nullptr || capacity == 0) {
        return -1;
    }
    // Expanded apart from the buffer, so that a format or text argument inside the buffer is
    // read whole before anything is written, and a failure leaves an empty text.
    std::u16string out;
    const bool expanded = expand(out, format, args);
    const std::size_t room = std::min<std::size_t>(capacity - 1, INT_MAX);
    if (!expanded || out.size() > room) {
        buffer[0] = u'\0';
        return -1;
    }
    std::copy(out.begin(), out.end(), buffer);
    buffer[out.size()] = u'\0';
    return static_cast<int>(out.size());
}

}  // namespace talo
