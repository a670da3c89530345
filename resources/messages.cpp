#include "resources/messages.h"

#include <algorithm>

namespace talo {

std::u16string_view catalogueText(std::uint16_t id) {
    const auto entries = catalogueEntries();
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), id,
        [](const CatalogueEntry& entry, std::uint16_t wanted) { return entry.id < wanted; });
    if (found == entries.end() || found->id != id) {
        return {};
    }
    return found->text;
}

int loadCatalogueString(std::uint16_t id, char16_t* buffer, int capacity) {
    if (buffer == nullptr || capacity < 1) {
        return 0;
    }
    const std::u16string_view text = catalogueText(id);
    const std::size_t room = static_cast<std::size_t>(capacity) - 1;
    const std::size_t length = std::min(text.size(), room);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = u'\0';
    return static_cast<int>(length);
}

}  // namespace talo
