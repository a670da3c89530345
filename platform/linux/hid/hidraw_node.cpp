#include "platform/linux/hid/hidraw_node.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <tuple>

namespace talo::linuxhid {
namespace {

// An empty field fails too: from_chars finds no digit.
bool parseHexField(std::string_view text, std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    return error == std::errc{} && stop == end;
}

// The number after "hidraw", or the largest value when the name carries none.
std::uint64_t kernelNumber(const std::string& name) {
    constexpr std::string_view prefix = "hidraw";
    constexpr std::uint64_t none = std::numeric_limits<std::uint64_t>::max();
    if (!name.starts_with(prefix)) {
        return none;  // "hidraw" alone fails below: from_chars finds no digit
    }
    std::uint64_t number = 0;
    const char* begin = name.data() + prefix.size();
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(begin, end, number, 10);
    return error == std::errc{} && stop == end ? number : none;
}

}  // namespace

bool parseHidId(std::string_view hidId, std::uint16_t& vendorId, std::uint16_t& productId) {
    const std::size_t first = hidId.find(':');
    const std::size_t second =
        first == std::string_view::npos ? std::string_view::npos : hidId.find(':', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    std::uint32_t bus = 0;
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    if (!parseHexField(hidId.substr(0, first), bus) ||
        !parseHexField(hidId.substr(first + 1, second - first - 1), vendor) ||
        !parseHexField(hidId.substr(second + 1), product) || vendor > 0xFFFF || product > 0xFFFF) {
        return false;
    }
    vendorId = static_cast<std::uint16_t>(vendor);
    productId = static_cast<std::uint16_t>(product);
    return true;
}

void sortInKernelOrder(std::vector<HidrawNode>& nodes) {
    std::stable_sort(nodes.begin(), nodes.end(), [](const HidrawNode& a, const HidrawNode& b) {
        return std::make_tuple(kernelNumber(a.name), a.name) <
               std::make_tuple(kernelNumber(b.name), b.name);
    });
}

}  // namespace talo::linuxhid
