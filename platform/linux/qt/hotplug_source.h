#pragma once

#include <memory>

#include "platform/linux/hid/hotplug_monitor.h"
#include "platform/linux/qt/notification_source.h"

class QSocketNotifier;

namespace talo::qt {

// Arrivals and removals of hidraw devices from udev, read when the Qt event loop sees the
// monitor's descriptor become readable.
class HotplugSource final : public NotificationSource {
  public:
    HotplugSource();
    ~HotplugSource() override;

    bool start(Handler handler) override;
    void stop() override;
    void hold(bool held) override;

  private:
    void drain();

    HotplugMonitor monitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Handler handler_;
    bool held_ = false;
};

}  // namespace talo::qt
