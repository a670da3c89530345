#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/hid_handle.h"

namespace talo {

// Time limit of every report read. A unit that stops answering fails the command with -3
// instead of blocking the program for ever.
inline constexpr std::uint32_t kReadTimeoutMs = 5000;

// A program's claim on a unit. A write holds an Exclusive claim for its whole span; identifying
// a unit holds a Shared one. Shared claims coexist; an Exclusive claim conflicts with every
// other claim, held through another handle of this program or by another program.
enum class UnitClaim { Shared, Exclusive };

// The only view the device link has of the platform's HID stack. Implementations:
// platform/win32 (SetupAPI + hid.dll), platform/linux (hidraw + libudev), sim (in process).
// All calls are synchronous and made from one thread.
class HidPlatform {
  public:
    virtual ~HidPlatform() = default;

    // Fills `paths` with the present HID interfaces in the platform's enumeration order. The
    // path is in the form the platform's arrival/removal notifications use. Interfaces whose
    // path cannot be obtained are left out. Returns false when no list can be obtained.
    virtual bool listInterfaces(std::vector<std::u16string>& paths) = 0;

    // Opens `path` for shared read/write report transfers. Returns kInvalidHidHandle when the
    // device cannot be opened that way (busy, no permission, gone).
    virtual HidHandle open(const std::u16string& path) = 0;

    // Closes a handle returned by open(). Never called with kInvalidHidHandle.
    virtual void close(HidHandle handle) = 0;

    // USB vendor and product identifiers. Returns false when they cannot be read.
    virtual bool attributes(HidHandle handle, std::uint16_t& vendorId,
                            std::uint16_t& productId) = 0;

    // Byte lengths of the longest input and output report, report id byte included.
    // Returns false when the device's HID capabilities cannot be read.
    virtual bool reportLengths(HidHandle handle, std::uint32_t& inputLength,
                               std::uint32_t& outputLength) = 0;

    // Writes one output report of exactly `length` bytes; data[0] is the report id.
    // Returns false when the write fails; lastError() then holds the system's code.
    virtual bool writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) = 0;

    // Reads one input report of exactly `length` bytes into `data` (data[0] receives the report
    // id), waiting at most `timeoutMs`. Returns false on failure or timeout; lastError() then
    // holds the system's code (the platform's timeout code after a timeout). A timed-out read
    // is cancelled: its late answer is never returned by a later read.
    virtual bool readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                            std::uint32_t timeoutMs) = 0;

    // Takes a claim on the device behind `handle` without waiting. Returns false when a
    // conflicting claim is held elsewhere: the caller then sends nothing on the handle, because
    // every open handle of a HID device receives every input report, and a stray answer could
    // be taken for the claim holder's. A claim ends with releaseClaim() or close().
    virtual bool claim(HidHandle handle, UnitClaim kind) = 0;
    virtual void releaseClaim(HidHandle handle) = 0;

    // The device's USB serial number string, where it has one. Returns false when it has none
    // or it cannot be read; programs that do not name units need not ask.
    virtual bool serialNumber(HidHandle handle, std::u16string& serial) {
        (void)handle;
        (void)serial;
        return false;
    }

    // System error code of the most recent report transfer: 0 after a transfer that
    // succeeded, the platform's code (GetLastError(), errno) after one that failed.
    virtual std::uint32_t lastError() const = 0;
};

}  // namespace talo
