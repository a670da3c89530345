#include "platform/linux/qt/updater_window.h"

#include <utility>

#include "device/session.h"
#include "platform/linux/qt/permission_hint.h"
#include "resources/firmware_image.h"

namespace talo::qt {

FirmwareImage carriedImage() {
    return FirmwareImage{talo_firmware_image, talo_firmware_image_size};
}

UpdaterWindow::UpdaterWindow(HidPlatform& hid, Clock& clock, NotificationSource& notifications,
                             FirmwareImage image, SystemAwake* awake)
    : ops_(dialog_, notifications), logic_(ops_, DeviceLink{hid, clock}, session_, image, awake) {
    resetSession(session_);
    dialog_.attach(logic_);
}

UpdaterWindow::~UpdaterWindow() {
    closeSession(logic_.context().link, session_);
}

void UpdaterWindow::setPermissionProbe(std::function<bool()> probe) {
    if (!probe) {
        dialog_.setAfterEvaluation({});
        return;
    }
    dialog_.setAfterEvaluation(
        [this, probe = std::move(probe)] { appendPermissionHint(ops_, session_, probe()); });
}

}  // namespace talo::qt
