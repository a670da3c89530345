#include "update/block_plan.h"

#include <algorithm>

#include "update/update_sequence.h"

namespace talo {

BlockPlan planBlock(std::size_t imageSize, std::size_t offset) {
    const std::size_t bytes = std::min(imageSize - offset, kBlockBytes);
    return {bytes, static_cast<unsigned>((bytes + 3) / 4)};
}

unsigned progressPercent(std::size_t imageSize, std::size_t bytesLeft) {
    const auto total = static_cast<std::uint32_t>(imageSize);
    const auto left = static_cast<std::uint32_t>(bytesLeft);
    return ((total - left) * 100u) / total;
}

}  // namespace talo
