#include "platform/linux/qt/sim_notification_source.h"

#include <QMetaObject>
#include <utility>

namespace talo::qt {

SimNotificationSource::SimNotificationSource(sim::SimHidPlatform& hid) : hid_(hid) {
    hid_.setListener([this](bool arrived, const std::u16string& path) { queue(arrived, path); });
}

SimNotificationSource::~SimNotificationSource() {
    hid_.setListener({});
}

bool SimNotificationSource::start(Handler handler) {
    if (startFails_) {
        return false;
    }
    handler_ = std::move(handler);
    // Devices plugged in before the start are found by the start-up evaluation itself.
    ++generation_;
    return true;
}

void SimNotificationSource::stop() {
    handler_ = nullptr;
    ++generation_;
}

void SimNotificationSource::queue(bool arrived, const std::u16string& path) {
    const DeviceNotification record{kDeviceTypeInterface, path};
    const std::uint32_t eventCode = arrived ? kDeviceArrival : kDeviceRemoveComplete;
    const std::uint64_t generation = generation_;
    QMetaObject::invokeMethod(
        &context_,
        [this, eventCode, record, generation] {
            if (handler_ && generation == generation_) {
                const Handler handler = handler_;
                handler(eventCode, record);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace talo::qt
