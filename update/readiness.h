#pragma once

#include <cstdint>
#include <string_view>

#include "update/device_notification.h"
#include "update/updater_context.h"

namespace talo {

enum class Readiness { NoDevice, WrongMode, NoController, IncompatibleController, Ready };

enum class EvaluationCaller { StartUp, Arrival };

// Derives the outcome from openSession's result and the session it left.
Readiness readinessOf(std::int32_t openResult, const DeviceSession& session);

// The status pane's message for an outcome at start-up: the ready text, or the situation that
// the connection instructions follow.
std::uint16_t guidanceMessage(Readiness outcome);

// Opens the first programming unit and brings session, "Update" button, status pane and
// version panel into line with the outcome, in the order of the given caller.
void evaluateReadiness(UpdaterContext& context, EvaluationCaller caller);

// True when two device paths are equal, letters A to Z compared without regard to case and
// every other character exactly (paths are not locale text; no other folding applies).
bool sameDevicePath(std::u16string_view a, std::u16string_view b);

// Handles one device-change event (arrival, remove-complete; record may be null). Returns true
// for arrival and remove-complete in every branch, false for every other event code.
bool onDeviceChange(UpdaterContext& context, std::uint32_t eventCode,
                    const DeviceNotification* record);

}  // namespace talo
