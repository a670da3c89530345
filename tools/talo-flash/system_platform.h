#pragma once

#include <memory>
#include <string>

#include "device/clock.h"
#include "device/hid_platform.h"
#include "update/system_awake.h"

namespace talo::flash {

// The HID stack of the system the tool runs on; null when the build has none.
std::unique_ptr<HidPlatform> makeSystemHid();

// Why no unit was found although one may be there, for the user; empty when nothing is known.
// On Linux: a unit's hidraw node exists but may not be opened (the udev rule is missing).
std::string noUnitHint(HidPlatform& hid);

// The clock for the real pacing: a high-resolution timer on Windows (its default 15.6 ms tick
// would stretch every 20 ms pause), SteadyClock with fine timer slack elsewhere.
std::unique_ptr<Clock> makeSystemClock();

// What keeps the system awake while a unit is written; null when the build has nothing.
std::unique_ptr<SystemAwake> makeSystemAwake();

}  // namespace talo::flash
