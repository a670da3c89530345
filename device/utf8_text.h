#pragma once

#include <string>
#include <string_view>

namespace talo {

// Text travels through the core as UTF-16; systems that take UTF-8 (Linux device paths, terminals,
// JSON) get it converted here. The two exact conversions refuse what has no counterpart
// (malformed UTF-8, unpaired surrogates), so a path never changes on its way out and back;
// `out` is written only on success.
bool utf8ToUtf16(std::string_view text, std::u16string& out);
bool utf16ToUtf8(std::u16string_view text, std::string& out);

// UTF-16 to UTF-8 for display: an unpaired surrogate becomes U+FFFD, so the output is always
// valid UTF-8.
std::string toUtf8Lossy(std::u16string_view text);

}  // namespace talo
