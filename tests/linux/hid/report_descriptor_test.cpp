#include "platform/linux/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace talo::linuxhid {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Vendor-defined page, 64 data bytes each way, no report ids: the common shape of a
// vendor's USB-to-something adapter.
const Bytes kVendorDefined64 = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x09, 0x02,        //   Usage (2)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x40,        //   Report Count (64)
    0x81, 0x02,        //   Input (Data, Var, Abs)
    0x09, 0x03,        //   Usage (3)
    0x95, 0x40,        //   Report Count (64)
    0x91, 0x02,        //   Output (Data, Var, Abs)
    0xC0,              // End Collection
};

// The boot keyboard from the HID class definition: modifier bits, a reserved byte and six key
// codes in; five LED bits and three padding bits out.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

// Four numbered reports of different lengths in both directions, and a large feature report
// that must not count as input or output.
const Bytes kSeveralReportIds = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x85, 0x01, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,  // id 1: 8 bytes in
    0x95, 0x3B, 0x09, 0x01, 0x91, 0x02,                                // id 1: 59 bytes out
    0x85, 0x02, 0x95, 0x2B, 0x09, 0x01, 0x81, 0x02,                    // id 2: 43 bytes in
    0x85, 0x03, 0x95, 0x10, 0x09, 0x01, 0x91, 0x02,                    // id 3: 16 bytes out
    0x85, 0x04, 0x96, 0xC8, 0x00, 0x09, 0x01, 0xB1, 0x02,              // id 4: 200 bytes feature
    0xC0,
};

ReportLayout parsed(const Bytes& descriptor) {
    ReportLayout layout;
    EXPECT_TRUE(parseReportDescriptor(descriptor.data(), descriptor.size(), layout));
    return layout;
}

TEST(ReportDescriptor, VendorDefinedReportsWithoutIdsCountTheZeroIdByte) {
    const ReportLayout layout = parsed(kVendorDefined64);
    EXPECT_FALSE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 65u);
    EXPECT_EQ(layout.outputReportLength, 65u);
}

TEST(ReportDescriptor, BootKeyboardPacksBitFieldsIntoBytes) {
    const ReportLayout layout = parsed(kBootKeyboard);
    EXPECT_FALSE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 9u);
    EXPECT_EQ(layout.outputReportLength, 2u);
}

TEST(ReportDescriptor, SeveralReportIdsTakeTheLongestPerDirection) {
    const ReportLayout layout = parsed(kSeveralReportIds);
    EXPECT_TRUE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 44u);
    EXPECT_EQ(layout.outputReportLength, 60u);
}

TEST(ReportDescriptor, PartialByteRoundsUp) {
    // Three button bits and two 8-bit axes: 19 bits need three bytes.
    const Bytes mouseWithoutPadding = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x03,
                                       0x81, 0x02, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0};
    const ReportLayout layout = parsed(mouseWithoutPadding);
    EXPECT_EQ(layout.inputReportLength, 4u);
    EXPECT_EQ(layout.outputReportLength, 0u);
}

TEST(ReportDescriptor, LongItemsAreSkippedWhole) {
    Bytes withLongItem = kVendorDefined64;
    // A long item whose data bytes look like a Report Count of 255 and an Input item.
    const Bytes longItem = {0xFE, 0x04, 0xF0, 0x95, 0xFF, 0x81, 0x02};
    withLongItem.insert(withLongItem.begin() + 7, longItem.begin(), longItem.end());
    const ReportLayout layout = parsed(withLongItem);
    EXPECT_EQ(layout.inputReportLength, 65u);
    EXPECT_EQ(layout.outputReportLength, 65u);
}

TEST(ReportDescriptor, PopRestoresSizeCountAndReportId) {
    const Bytes descriptor = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
        0x85, 0x01, 0x75, 0x08, 0x95, 0x04,  // id 1, 4 bytes
        0xA4,                                // Push
        0x85, 0x02, 0x95, 0x20, 0x81, 0x02,  // id 2: 32 bytes in
        0xB4,                                // Pop: back to id 1, 4 bytes
        0x81, 0x02, 0x81, 0x02,              // id 1: 8 bytes in
        0x91, 0x02,                          // id 1: 4 bytes out
        0xC0,
    };
    const ReportLayout layout = parsed(descriptor);
    EXPECT_EQ(layout.inputReportLength, 33u);
    EXPECT_EQ(layout.outputReportLength, 5u);
}

TEST(ReportDescriptor, RefusesDescriptorsThatCannotBeWalked) {
    const std::vector<Bytes> malformed = {
        {0x06, 0x00, 0xFF, 0x26, 0xFF},                          // item cut short
        {0x06, 0x00, 0xFF, 0xFE, 0x05, 0x10, 0x01, 0x02},        // long item cut short
        {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},        // report id 0
        {0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},  // report id 256
        {0x75, 0x08, 0xB4, 0x95, 0x01, 0x81, 0x02},              // pop without push
        {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02},              // 65535 data bytes + id byte
    };
    for (const Bytes& descriptor : malformed) {
        ReportLayout layout;
        layout.inputReportLength = 7;
        EXPECT_FALSE(parseReportDescriptor(descriptor.data(), descriptor.size(), layout))
            << "descriptor of " << descriptor.size() << " bytes";
        EXPECT_EQ(layout.inputReportLength, 7u);
    }
}

}  // namespace
}  // namespace talo::linuxhid
