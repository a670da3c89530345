#pragma once

#include <string>
#include <string_view>

#include "device/utf8_text.h"

namespace talo::flash {

// The catalogue's CR LF line breaks as plain newlines, for printing on a terminal.
std::string toTerminalText(std::u16string_view text);

}  // namespace talo::flash
