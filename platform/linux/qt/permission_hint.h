#pragma once

#include "device/device_session.h"
#include "ui/window_ops.h"

namespace talo::qt {

// When no unit is open although the HID layer met a unit it was not allowed to open, adds a
// blank line and the access-rights hint (message 40038) to the status pane, once: a pane that
// already ends with the hint is left alone.
void appendPermissionHint(WindowOps& window, const DeviceSession& session,
                          bool sawUnitWithoutPermission);

}  // namespace talo::qt
