#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace talo {

// One text of the German message catalogue. Line breaks inside a text are CR LF.
struct CatalogueEntry {
    std::uint16_t id;
    std::u16string_view text;
};

// Every entry of the catalogue, sorted by identifier; the texts live for the program's run.
std::span<const CatalogueEntry> catalogueEntries();

// The text of `id`, or an empty view when the catalogue has no such message.
std::u16string_view catalogueText(std::uint16_t id);

// Copies the text of `id` into `buffer` the way LoadStringW does: cut to capacity - 1
// characters and always terminated (when capacity >= 1). Returns the characters copied
// without the terminator; 0 for an unknown id, a null buffer or a capacity below 1.
int loadCatalogueString(std::uint16_t id, char16_t* buffer, int capacity);

}  // namespace talo
