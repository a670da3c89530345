#pragma once

#include <cstdint>
#include <string>

#include "ui/message_ids.h"
#include "ui/message_source.h"

namespace talo {

// Every lookup and every composed text uses a buffer of this many UTF-16 units.
inline constexpr int kMessageCapacity = 2048;

// The catalogue text of `id`, looked up with the full capacity.
std::u16string loadMessage(MessageSource& messages, std::uint16_t id);

}  // namespace talo
