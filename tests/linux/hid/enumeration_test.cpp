#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/report_descriptor.h"

namespace talo::linuxhid {
namespace {

TEST(HidIdTest, ReadsSixteenBitHexIdsOrLeavesThemAlone) {
    const struct {
        const char* hidId;
        std::uint16_t vendor;  // 0: refused
        std::uint16_t product;
    } cases[] = {
        {"0003:0000FFFF:0000FFFF", 0xFFFF, 0xFFFF},
        {"0005:1209:abcd", 0x1209, 0xABCD},
        {"0003:00001209", 0, 0},
        {"00001209", 0, 0},
        {"000g:1209:0001", 0, 0},
        {"0003:12x9:0001", 0, 0},
        {"0003:1209:zz", 0, 0},
        {"0003:00010000:00000001", 0, 0},
        {"0003:00001209:00010000", 0, 0},
    };
    for (const auto& c : cases) {
        std::pair<std::uint16_t, std::uint16_t> ids;
        EXPECT_EQ(parseHidId(c.hidId, ids.first, ids.second), c.vendor != 0) << c.hidId;
        EXPECT_EQ(ids, std::pair(c.vendor, c.product)) << c.hidId;
    }
}

TEST(SortTest, KernelNumbersFirstThenNamesWithoutOne) {
    std::vector<HidrawNode> nodes;
    for (const char* name : {"hidrawB", "other12", "hidraw10", "hidraw9x", "hidraw9", "hidraw"}) {
        nodes.push_back({name, "", false, 0, 0, ""});
    }
    sortInKernelOrder(nodes);
    std::string order;
    for (const HidrawNode& node : nodes) {
        order += node.name + " ";
    }
    EXPECT_EQ(order, "hidraw9 hidraw10 hidraw hidraw9x hidrawB other12 ");
}

using Bytes = std::vector<std::uint8_t>;

const struct {
    const char* shape;
    Bytes bytes;
    std::optional<ReportLayout> layout;  // none: refused
} kDescriptors[] = {
    {"64 bytes each way, no ids; an Input before any Report Count",
     {0x75, 0x08, 0x81, 0x03, 0x95, 0x40, 0x81, 0x02, 0x91, 0x02},
     ReportLayout{false, 65, 65}},
    {"bit fields packed; an Output before any Report Size",
     {0x95, 0x01, 0x91, 0x03, 0x75, 0x01, 0x95, 0x05, 0x91, 0x02, 0x75,
      0x03, 0x95, 0x01, 0x91, 0x01, 0x75, 0x01, 0x95, 0x09, 0x81, 0x02},
     ReportLayout{false, 3, 2}},
    // id 1: 8 bytes in, 58 bytes and 1 bit out; id 2: 43 in; id 3: 16 out; id 4: feature only.
    {"several ids: the longest per direction, rounded up",
     {0x75, 0x08, 0x85, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x3A, 0x91, 0x02, 0x75,
      0x01, 0x95, 0x01, 0x91, 0x03, 0x75, 0x08, 0x85, 0x02, 0x95, 0x2B, 0x81, 0x02,
      0x85, 0x03, 0x95, 0x10, 0x91, 0x02, 0x85, 0x04, 0x96, 0xC8, 0x00, 0xB1, 0x02},
     ReportLayout{true, 44, 60}},
    // A long item whose data reads like Report Count 255 and Input; a four-byte Usage whose last
    // byte reads like Input; Push and Pop; report id 255; a long item without data at the end.
    {"long and four-byte items skipped whole, state pushed and popped",
     {0xFE, 0x04, 0xF0, 0x95, 0xFF, 0x81, 0x02, 0x75, 0x08, 0x95, 0x02, 0x0B, 0x01, 0x00, 0x00,
      0x81, 0xA4, 0x95, 0x09, 0x91, 0x02, 0xB4, 0x85, 0xFF, 0x81, 0x02, 0xFE, 0x00, 0xF0},
     ReportLayout{true, 3, 10}},
    // The longest report: 65534 data bytes and the id byte.
    {"65534 bytes", {0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02}, ReportLayout{false, 65535, 0}},
    {"item cut short", {0x06, 0x00, 0xFF, 0x26, 0xFF}, std::nullopt},
    {"long item one byte short", {0xFE, 0x05, 0xF0, 0x01, 0x02, 0x03, 0x04}, std::nullopt},
    {"long item without its tag", {0x75, 0x08, 0xFE, 0x00}, std::nullopt},
    {"report id 0", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, std::nullopt},
    {"report id 256", {0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, std::nullopt},
    {"more pops than pushes", {0xA4, 0xB4, 0xB4}, std::nullopt},
    {"65535 data bytes in", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02}, std::nullopt},
    {"65535 data bytes out", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x91, 0x02}, std::nullopt},
};

TEST(ReportDescriptorTest, GivesTheLongestReportsWithTheirIdByteOrRefuses) {
    for (const auto& [shape, bytes, expected] : kDescriptors) {
        ReportLayout layout{false, 7, 7};
        EXPECT_EQ(parseReportDescriptor(bytes.data(), bytes.size(), layout), expected.has_value())
            << shape;
        EXPECT_EQ(layout, expected.value_or(ReportLayout{false, 7, 7})) << shape;
    }
}

}  // namespace
}  // namespace talo::linuxhid
