#include "json_output.h"

#include "device/utf8_text.h"

namespace talo::flash {

std::string utf8(std::u16string_view text) {
    return toUtf8Lossy(text);
}

std::string jsonLine(const Json& value) {
    // Device paths come from the system; a byte that is no UTF-8 must not end the output.
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace talo::flash
