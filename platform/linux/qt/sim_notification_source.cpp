#include "platform/linux/qt/sim_notification_source.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <utility>

namespace talo::qt {

SimNotificationSource::SimNotificationSource(sim::SimHidPlatform& hid) : hid_(hid) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
    }
    hid_.setListener([this](bool arrived, const std::u16string& path) { queue(arrived, path); });
}

SimNotificationSource::~SimNotificationSource() {
    hid_.setListener({});
    notifier_.reset();
    for (const int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool SimNotificationSource::start(Handler handler) {
    if (startFails_ || fds_[0] < 0) {
        return false;
    }
    // Devices plugged in before the start are found by the start-up evaluation itself.
    pending_.clear();
    handler_ = std::move(handler);
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    notifier_->setEnabled(!held_);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
    return true;
}

// The descriptor stays readable while the notifier is off: a later loop delivers what waits.
void SimNotificationSource::hold(bool held) {
    held_ = held;
    if (notifier_) {
        notifier_->setEnabled(!held);
    }
}

void SimNotificationSource::stop() {
    notifier_.reset();
    handler_ = nullptr;
    pending_.clear();
}

void SimNotificationSource::queue(bool arrived, const std::u16string& path) {
    if (fds_[1] < 0 || !handler_) {
        return;
    }
    pending_.push_back(
        Event{arrived ? kDeviceArrival : kDeviceRemoveComplete, {kDeviceTypeInterface, path}});
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(fds_[1], &wake, 1);
}

void SimNotificationSource::drain() {
    char bytes[64];
    while (::read(fds_[0], bytes, sizeof bytes) > 0) {
    }
    // A handler may open a message box whose loop drains further events itself; each event is
    // taken from the queue exactly once either way.
    while (handler_ && !pending_.empty()) {
        const Event event = std::move(pending_.front());
        pending_.pop_front();
        const Handler handler = handler_;
        handler(event.eventCode, event.record);
    }
}

}  // namespace talo::qt
