#include "ui/message_text.h"

#include <array>

namespace talo {

std::u16string loadMessage(MessageSource& messages, std::uint16_t id) {
    std::array<char16_t, kMessageCapacity> buffer{};
    const int length = messages.loadString(id, buffer.data(), kMessageCapacity);
    if (length <= 0) {
        return {};
    }
    return std::u16string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace talo
