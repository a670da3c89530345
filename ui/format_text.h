#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace talo {

// One argument of formatText: wide text for %s, an unsigned 32-bit number for %u and %08x.
class FormatArg {
public:
    FormatArg(std::u16string_view text) : text_(text), isText_(true) {}  // NOLINT: implicit
    FormatArg(const char16_t* text) : text_(text), isText_(true) {}      // NOLINT: implicit
    FormatArg(std::uint32_t number) : number_(number) {}                 // NOLINT: implicit
    FormatArg(std::int32_t number)  // two's complement, so -2 formats as fffffffe
        : number_(static_cast<std::uint32_t>(number)) {}

    bool isText() const { return isText_; }
    std::u16string_view text() const { return text_; }
    std::uint32_t number() const { return number_; }

private:
    std::u16string_view text_;
    std::uint32_t number_ = 0;
    bool isText_ = false;
};

// Bounded printf-like formatting of UTF-16 text. `capacity` counts characters including the
// terminator. Directives: %s, %u, %08x and %%. Returns the characters written without the
// terminator; when the text does not fit (or the arguments do not match the directives) it
// returns -1 and leaves an empty text (when capacity allows one).
int formatText(char16_t* buffer, std::size_t capacity, std::u16string_view format,
               std::initializer_list<FormatArg> args);

}  // namespace talo
