#pragma once

#include <cstdint>

#include "device/device_link.h"
#include "device/device_session.h"

namespace talo {

// The maker's USB vendor id, fixed at build time (CMake cache option TALO_USB_VENDOR_ID).
std::uint16_t makerVendorId();

// True for the USB ids of a programming unit: the maker's vendor id with product 1 or 2.
bool isProgrammingUnit(std::uint16_t vendorId, std::uint16_t productId);

// Report lengths a unit must have to be driven safely.
inline constexpr std::uint32_t kMinOutputReportLength = 60;  // WriteBlock with 14 words
inline constexpr std::uint32_t kMinInputReportLength = 44;   // controller identity block
inline constexpr std::uint32_t kMaxReportLength = 4096;

// Closes any open unit, then opens and identifies the first programming unit (maker's vendor
// id, product 1 or 2) in enumeration order. Returns 0; -1 when the device list cannot be had;
// -4 when no unit is present; -5 (kResultUnitBusy) when another program holds an exclusive
// claim on that unit, which is then closed again without a single report sent; otherwise
// identifySession's result, with the unit left open. The identification runs under a shared
// claim, so a writer cannot start in the middle of it.
std::int32_t openSession(DeviceLink& link, DeviceSession& session);

// Reads report lengths, identity and (with a controller attached) the controller blocks into
// the session. Returns 0 or the first failing step's result; -1 also for a unit whose report
// lengths are outside the range above.
std::int32_t identifySession(DeviceLink& link, DeviceSession& session);

// Closes the handle if one is open and returns the record to the no-device state.
void closeSession(DeviceLink& link, DeviceSession& session);

}  // namespace talo
