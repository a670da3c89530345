#pragma once

#include <functional>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/hid_platform.h"
#include "platform/linux/qt/notification_source.h"
#include "platform/linux/qt/qt_window_ops.h"
#include "platform/linux/qt/updater_dialog.h"
#include "ui/main_window.h"
#include "update/system_awake.h"
#include "update/updater_context.h"

namespace talo::qt {

// The firmware image the program carries.
FirmwareImage carriedImage();

// One updater window with everything it acts on: the device session, the Qt dialog, its window
// operations and the portable window logic. The HID stack, clock, notification source and
// `awake` (may be null) are borrowed and must outlive it.
class UpdaterWindow {
  public:
    UpdaterWindow(HidPlatform& hid, Clock& clock, NotificationSource& notifications,
                  FirmwareImage image = carriedImage(), SystemAwake* awake = nullptr);
    ~UpdaterWindow();  // closes a unit still open
    UpdaterWindow(const UpdaterWindow&) = delete;
    UpdaterWindow& operator=(const UpdaterWindow&) = delete;

    // Answers whether the HID layer met a unit it may not open; when it did and no unit is
    // open after an evaluation, the status pane gets the access-rights hint.
    void setPermissionProbe(std::function<bool()> probe);

    // Runs the window until it ends; returns the dialog result.
    int run() { return dialog_.run(); }

    // To be called from every wait of the clock and the HID stack: keeps the windows alive for
    // the system while the flash is written (see UpdaterDialog::setProtectedWrite).
    void serviceWindows() { dialog_.serviceWindows(); }

    UpdaterDialog& dialog() { return dialog_; }
    QtWindowOps& ops() { return ops_; }
    DeviceSession& session() { return session_; }
    MainWindow& logic() { return logic_; }

  private:
    DeviceSession session_;
    UpdaterDialog dialog_;
    QtWindowOps ops_;
    MainWindow logic_;
};

}  // namespace talo::qt
