#pragma once

#include <cstdint>
#include <string_view>

#include "device/device_notification.h"
#include "update/updater_context.h"

namespace talo {

enum class EvaluationCaller { StartUp, Arrival };

// Derives the outcome from openSession's result and the session it left.
Readiness readinessOf(std::int32_t openResult, const DeviceSession& session);

// What the user is told for an evaluation's outcome.
Guidance guidanceFor(Readiness outcome);

// Opens the first programming unit and brings the session and the view into line with the
// outcome, in the order of the given caller. Returns the outcome.
Readiness evaluateReadiness(UpdaterContext& context, EvaluationCaller caller);

// True when two device paths are equal, letters A to Z compared without regard to case and
// every other character exactly (paths are not locale text; no other folding applies).
bool sameDevicePath(std::u16string_view a, std::u16string_view b);

// Handles one device-change event (arrival, remove-complete; record may be null). Returns true
// for arrival and remove-complete in every branch, false for every other event code.
bool onDeviceChange(UpdaterContext& context, std::uint32_t eventCode,
                    const DeviceNotification* record);

}  // namespace talo
