#pragma once

#include "device/device_link.h"
#include "platform/win32/win32_headers.h"
#include "platform/win32/write_message_pump.h"
#include "update/updater_context.h"

namespace talo::win32 {

// Runs the main dialog (template 110) over `link` until it ends and returns its result: the
// window logic behind the write gate, the system kept awake during the write. `pump` must be
// the wait that the link's clock and HID transfers use, so the window stays alive while they
// block. `journal` (may be null) keeps a record of every write.
INT_PTR runMainDialog(HINSTANCE instance, DeviceLink link, WriteMessagePump& pump,
                      FirmwareImage image, UpdateJournal* journal = nullptr);

}  // namespace talo::win32
