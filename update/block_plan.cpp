#include "update/block_plan.h"

#include "update/update_sequence.h"

namespace talo {

BlockPlan planBlock(std::size_t imageSize, std::size_t offset) {
    const std::size_t left = imageSize - offset;
    if (left >= kBlockBytes) {
        return {kBlockBytes, static_cast<unsigned>(kBlockBytes / 4), true};
    }
    return {left, static_cast<unsigned>((left + 3) / 4), false};
}

unsigned progressPercent(std::size_t imageSize, std::size_t bytesLeft) {
    const auto total = static_cast<std::uint32_t>(imageSize);
    const auto left = static_cast<std::uint32_t>(bytesLeft);
    return ((total - left) * 100u) / total;
}

}  // namespace talo
