#pragma once

#include <cstddef>
#include <cstdint>

namespace talo {

// One WriteBlock of the image: how many image bytes it carries and in how many 32-bit words.
struct BlockPlan {
    std::size_t bytes = 0;
    unsigned words = 0;
};

// The block that starts at `offset` (< imageSize). A tail that is not a whole number of words
// is rounded up to the next word, so its last bytes go out followed by 0xFF filling.
BlockPlan planBlock(std::size_t imageSize, std::size_t offset);

// Share of the image already sent, in whole percent: ((L - r) * 100) / L in unsigned 32-bit
// arithmetic, exact for images of up to 42,949,672 bytes. imageSize must not be 0.
unsigned progressPercent(std::size_t imageSize, std::size_t bytesLeft);

}  // namespace talo
