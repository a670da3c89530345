#include "platform/linux/qt/hotplug_source.h"

#include <QSocketNotifier>
#include <utility>

namespace talo::qt {

HotplugSource::HotplugSource() = default;

HotplugSource::~HotplugSource() {
    stop();
}

bool HotplugSource::start(Handler handler) {
    if (!monitor_.isValid()) {
        return false;
    }
    handler_ = std::move(handler);
    notifier_ = std::make_unique<QSocketNotifier>(monitor_.fd(), QSocketNotifier::Read);
    notifier_->setEnabled(!held_);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
    return true;
}

// The descriptor stays readable while the notifier is off: a later loop delivers what waits.
void HotplugSource::hold(bool held) {
    held_ = held;
    if (notifier_) {
        notifier_->setEnabled(!held);
    }
}

void HotplugSource::stop() {
    notifier_.reset();
    handler_ = nullptr;
}

void HotplugSource::drain() {
    std::uint32_t eventCode = 0;
    DeviceNotification record;
    // A handler may open a message box whose loop drains further events itself; each event is
    // taken from the monitor exactly once either way.
    while (handler_ && monitor_.next(eventCode, record)) {
        const Handler handler = handler_;
        handler(eventCode, record);
    }
}

}  // namespace talo::qt
