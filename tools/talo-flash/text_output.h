#pragma once

#include <string>
#include <string_view>

namespace talo::flash {

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD, so the output is always valid UTF-8.
std::string toUtf8(std::u16string_view text);

// The catalogue's CR LF line breaks as plain newlines, for printing on a terminal.
std::string toTerminalText(std::u16string_view text);

}  // namespace talo::flash
