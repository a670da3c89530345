#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace talo::flash {

// JSON objects keep their members in the order they were added, the order the documentation
// lists them in.
using Json = nlohmann::ordered_json;

// UTF-16 text as the UTF-8 string JSON carries (unpaired surrogates become U+FFFD).
std::string utf8(std::u16string_view text);

// One JSON value on one line, without the line break.
std::string jsonLine(const Json& value);

}  // namespace talo::flash
