#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace talo::linuxhid {

// Report transfers on an open hidraw descriptor (or anything that keeps message boundaries,
// such as a SOCK_SEQPACKET socket). Buffers are framed as on Windows: byte 0 is the report id,
// 0 for a device without numbered reports. Every function returns 0 or an errno value.

// One write() of the whole buffer. Byte 0 goes out even when it is 0: hidraw takes the first
// byte as the report number and drops a 0 itself, so removing it here would make the kernel
// eat the first data byte whenever that byte is 0.
int writeReportTo(int fd, const std::uint8_t* data, std::size_t length);

// Waits up to `timeoutMs` for one input report and reads it into `data`. A device without
// numbered reports delivers no id byte, so data[0] is set to 0 and the report follows it. A
// report shorter than `length` is padded with zeros; a longer one is cut. Returns ETIMEDOUT
// when nothing arrives in time and ENODEV when poll() reports the device gone (POLLHUP,
// POLLERR). While it waits, a non-empty `service` is called at least every
// kWaitServiceIntervalMs (a report that arrives meanwhile is taken at once); the time limit
// holds whatever the service takes.
inline constexpr int kWaitServiceIntervalMs = 10;
int readReportFrom(int fd, bool numberedReports, std::uint8_t* data, std::size_t length,
                   std::uint32_t timeoutMs, const std::function<void()>& service = {});

// Reads and drops every input report already queued, such as the late answer to a request
// whose read timed out. Returns at once when nothing is queued.
void discardQueuedReports(int fd);

}  // namespace talo::linuxhid
