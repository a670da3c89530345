#pragma once

#include "platform/win32/win32_headers.h"
#include "update/updater_context.h"

namespace talo::win32 {

// The carried firmware image, RCDATA 125 of the program's own file, mapped read-only in place.
// An empty image (data null, size 0) when the resource cannot be found or mapped.
FirmwareImage firmwareImageResource(HINSTANCE instance);

}  // namespace talo::win32
