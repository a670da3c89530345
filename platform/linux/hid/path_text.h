#pragma once

#include <string>
#include <string_view>

namespace talo::linuxhid {

// Device paths travel through the core as UTF-16 and reach the system as UTF-8 bytes. Both
// conversions refuse what has no exact counterpart (malformed UTF-8, unpaired surrogates), so a
// path never changes on its way out and back. `out` is written only on success.
bool utf8ToUtf16(std::string_view text, std::u16string& out);
bool utf16ToUtf8(std::u16string_view text, std::string& out);

}  // namespace talo::linuxhid
