#pragma once

#include "device/device_session.h"
#include "ui/window_ops.h"

namespace talo {

// Replaces (append false) or extends (append true) the text of the status pane.
void setStatusText(WindowOps& window, const char16_t* text, bool append);

// Rewrites the six controls of the version panel from the session; greyed "0.0.0" without a unit.
void refreshVersionPanel(WindowOps& window, const DeviceSession& session);

}  // namespace talo
