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
    FormatArg(const char16_t* text)  // NOLINT: implicit; null fails the formatting
        : text_(text != nullptr ? std::u16string_view(text) : std::u16string_view()),
          isText_(true),
          isNullText_(text == nullptr) {}
    FormatArg(std::uint32_t number) : number_(number) {}  // NOLINT: implicit
    FormatArg(std::int32_t number)  // two's complement, so -2 formats as fffffffe
        : number_(static_cast<std::uint32_t>(number)) {}

    bool isText() const { return isText_; }
    bool isNullText() const { return isNullText_; }
    std::u16string_view text() const { return text_; }
    std::uint32_t number() const { return number_; }

  private:
    std::u16string_view text_;
    std::uint32_t number_ = 0;
    bool isText_ = false;
    bool isNullText_ = false;
};

// Bounded printf-like formatting of UTF-16 text. `capacity` counts characters including the
// terminator. Directives: %s, %u, %08x and %%. Returns the characters written without the
// terminator; when the text does not fit, or the arguments do not match the directives in
// number and kind, or the format holds any other directive, it returns -1 and leaves an empty
// text (when capacity allows one). Arguments are never read beyond the list given. A %s text
// ends at its first NUL. `buffer` may overlap the format or a text argument.
int formatText(char16_t* buffer, std::size_t capacity, std::u16string_view format,
               std::initializer_list<FormatArg> args);

}  // namespace talo
