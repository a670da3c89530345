#pragma once

#include <cstdint>
#include <string>

#include "device/device_session.h"
#include "update/updater_view.h"

namespace talo {

// One write attempt as the update sequence saw it, from the first step after the downgrade
// question to its end.
struct UpdateAttempt {
    DeviceSession unit;           // the session as it stood before the first command
    std::u16string serialNumber;  // the unit's USB serial number; empty when it has none
    bool written = false;         // the image is in the controller
    UpdateStep failedStep = UpdateStep::Restore;  // the failing step when not written
    std::int32_t result = 0;                      // its command result
    std::uint32_t systemError = 0;                // and the system's error code
    std::uint64_t durationMicros = 0;
};

// Keeps a record of every write attempt. The update sequence hands it one attempt at the end
// of the write span, before the span is left and before the view reports the end (an attempt
// refused before the span, for want of an image or a claim, right away). Implementations must
// not fail the write: a record that cannot be kept is their own matter.
class UpdateJournal {
  public:
    virtual ~UpdateJournal() = default;
    virtual void recordAttempt(const UpdateAttempt& attempt) = 0;
};

}  // namespace talo
