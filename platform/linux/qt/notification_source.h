#pragma once

#include <cstdint>
#include <functional>

#include "device/device_notification.h"

namespace talo::qt {

// Delivers device-interface arrival and removal events to the window, always from the Qt event
// loop (never from inside a device operation), so they reach the window logic only where a
// Windows dialog would receive WM_DEVICECHANGE: in its own loop and in its message boxes.
class NotificationSource {
  public:
    using Handler = std::function<void(std::uint32_t eventCode, const DeviceNotification& record)>;

    virtual ~NotificationSource() = default;

    // Starts delivering to `handler`; false when events cannot be watched.
    virtual bool start(Handler handler) = 0;
    // Stops the delivery; events still queued are dropped.
    virtual void stop() = 0;
    // While held, events wait in their queue; released, they are delivered in their order by
    // the next event loop.
    virtual void hold(bool held) = 0;
};

}  // namespace talo::qt
