#pragma once

#include <cstddef>
#include <cstdint>

namespace talo::linuxhid {

// What the transfer layer needs to know about a device's reports.
struct ReportLayout {
    // True as soon as the descriptor holds one Report ID item: every report then starts with
    // its id byte on the wire, and hidraw passes that byte through.
    bool numberedReports = false;
    // Byte length of the longest input and output report plus one byte for the report id,
    // whether or not the device numbers its reports; 0 when it has no report of that kind.
    std::uint32_t inputReportLength = 0;
    std::uint32_t outputReportLength = 0;

    bool operator==(const ReportLayout&) const = default;
};

// Reads a HID report descriptor. Returns false for a descriptor that cannot be walked: an item
// running past the end, a Report ID of 0 or above 255, a Pop without a Push, or a report longer
// than 65535 bytes. `layout` is written only on success.
bool parseReportDescriptor(const std::uint8_t* data, std::size_t size, ReportLayout& layout);

}  // namespace talo::linuxhid
