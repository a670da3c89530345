#include "platform/linux/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <vector>

namespace talo::linuxhid {
namespace {

// Item prefixes with the size bits masked off.
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kOutput = 0x90;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportId = 0x84;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kPush = 0xA4;
constexpr std::uint8_t kPop = 0xB4;
constexpr std::uint8_t kLongItem = 0xFE;

// The report lengths are 16-bit fields on the platform we match, id byte included.
constexpr std::uint64_t kMaxReportBits = (0xFFFFu - 1u) * 8u;

struct GlobalState {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

using BitsPerReportId = std::array<std::uint64_t, 256>;

std::uint32_t itemValue(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    }
    return value;
}

bool addField(BitsPerReportId& bits, const GlobalState& state) {
    std::uint64_t& total = bits[state.reportId];
    total += static_cast<std::uint64_t>(state.reportSize) * state.reportCount;
    return total <= kMaxReportBits;
}

std::uint32_t longestReport(const BitsPerReportId& bits) {
    const std::uint64_t most = *std::max_element(bits.begin(), bits.end());
    if (most == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>((most + 7) / 8 + 1);
}

}  // namespace

bool parseReportDescriptor(const std::uint8_t* data, std::size_t size, ReportLayout& layout) {
    GlobalState state;
    std::vector<GlobalState> stack;
    BitsPerReportId inputBits{};
    BitsPerReportId outputBits{};
    bool numbered = false;

    std::size_t pos = 0;
    while (pos < size) {
        const std::uint8_t prefix = data[pos];
        const std::size_t left = size - pos - 1;
        if (prefix == kLongItem) {
            // Long items carry no report layout; only their length matters.
            if (left < 2 || left - 2 < data[pos + 1]) {
                return false;
            }
            pos += 3 + static_cast<std::size_t>(data[pos + 1]);
            continue;
        }
        const std::size_t valueSize = (prefix & 3u) == 3u ? 4u : (prefix & 3u);
        if (left < valueSize) {
            return false;
        }
        const std::uint32_t value = itemValue(data + pos + 1, valueSize);
        switch (prefix & 0xFCu) {
            case kInput:
                if (!addField(inputBits, state)) {
                    return false;
                }
                break;
            case kOutput:
                if (!addField(outputBits, state)) {
                    return false;
                }
                break;
            case kReportSize:
                state.reportSize = value;
                break;
            case kReportCount:
                state.reportCount = value;
                break;
            case kReportId:
                if (value == 0 || value > 255) {
                    return false;
                }
                state.reportId = value;
                numbered = true;
                break;
            case kPush:
                stack.push_back(state);
                break;
            case kPop:
                if (stack.empty()) {
                    return false;
                }
                state = stack.back();
                stack.pop_back();
                break;
            default:
                break;  // usages, logical ranges, collections: no effect on lengths
        }
        pos += 1 + valueSize;
    }

    layout.numberedReports = numbered;
    layout.inputReportLength = longestReport(inputBits);
    layout.outputReportLength = longestReport(outputBits);
    return true;
}

}  // namespace talo::linuxhid
