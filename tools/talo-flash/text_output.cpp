#include "text_output.h"

namespace talo::flash {
std::string toTerminalText(std::u16string_view text) {
    std::u16string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;  // the LF that follows is kept
        }
        plain.push_back(text[i]);
    }
    return toUtf8Lossy(plain);
}

}  // namespace talo::flash
