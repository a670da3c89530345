#pragma once

#include <cstdint>

namespace talo {

// Where the catalogue's texts come from: the program's string resources (through the window),
// or the catalogue built into the program.
class MessageSource {
  public:
    virtual ~MessageSource() = default;

    // Copies the text of `id`, cut to capacity - 1 characters and terminated; returns its
    // length, 0 when there is no such message (LoadStringW).
    virtual int loadString(std::uint16_t id, char16_t* buffer, int capacity) = 0;
};

}  // namespace talo
