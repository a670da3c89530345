#include "platform/linux/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace talo::linuxhid {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Vendor-defined page, 64 data bytes each way, no report ids: the common shape of a vendor's
// USB adapter.
const Bytes kVendorDefined64 = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15,
    0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02,  // 64 x 8 bits in
    0x09, 0x03, 0x95, 0x40, 0x91, 0x02,                          // 64 x 8 bits out
    0xC0,
};

// The boot keyboard from the HID class definition: modifier bits, a reserved byte and six key
// codes in; five LED bits and three padding bits out.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

// Four numbered reports of different lengths in both directions, one ending in half a byte,
// and a large feature report that must not count as input or output.
const Bytes kSeveralReportIds = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x85, 0x01, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,  // id 1: 8 bytes in
    0x95, 0x3A, 0x09, 0x01, 0x91, 0x02,                                // id 1: 58 bytes out
    0x75, 0x04, 0x95, 0x01, 0x91, 0x03, 0x75, 0x08,                    //       and 4 bits out
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

TEST(ReportDescriptor, SeveralReportIdsTakeTheLongestPerDirectionRoundedUp) {
    const ReportLayout layout = parsed(kSeveralReportIds);
    EXPECT_TRUE(layout.numberedReports);
    EXPECT_EQ(layout.inputReportLength, 44u);
    EXPECT_EQ(layout.outputReportLength, 60u);
}

TEST(ReportDescriptor, LongItemsAreSkippedWhole) {
    Bytes withLongItem = kVendorDefined64;
    // A long item whose data bytes read like a Report Count of 255 and an Input item.
    const Bytes longItem = {0xFE, 0x04, 0xF0, 0x95, 0xFF, 0x81, 0x02};
    // After the collection's opening item.
    withLongItem.insert(withLongItem.begin() + 7, longItem.begin(), longItem.end());
    const ReportLayout layout = parsed(withLongItem);
    EXPECT_EQ(layout.inputReportLength, 65u);
    EXPECT_EQ(layout.outputReportLength, 65u);
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
