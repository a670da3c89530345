#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "platform/linux/qt/notification_source.h"
#include "sim/sim_hid_platform.h"

class QSocketNotifier;

namespace talo::qt {

// Turns the simulated HID stack's plug and unplug calls into device notifications. Like udev
// events they wait behind a descriptor that the Qt event loop watches, so they are delivered
// only by an event loop that takes socket events, never from inside the call that plugged or
// unplugged (a unit that drops off during an update reports its removal afterwards).
class SimNotificationSource final : public NotificationSource {
  public:
    explicit SimNotificationSource(sim::SimHidPlatform& hid);
    ~SimNotificationSource() override;
    SimNotificationSource(const SimNotificationSource&) = delete;
    SimNotificationSource& operator=(const SimNotificationSource&) = delete;

    // While failing, start() refuses, as a failed registration does.
    void setStartFails(bool fails) { startFails_ = fails; }
    bool isActive() const { return static_cast<bool>(handler_); }

    bool start(Handler handler) override;
    void stop() override;
    void hold(bool held) override;

  private:
    struct Event {
        std::uint32_t eventCode;
        DeviceNotification record;
    };
    void queue(bool arrived, const std::u16string& path);
    void drain();

    sim::SimHidPlatform& hid_;
    int fds_[2] = {-1, -1};  // [0] watched for reading, [1] written once per queued event
    std::unique_ptr<QSocketNotifier> notifier_;
    std::deque<Event> pending_;
    Handler handler_;
    bool startFails_ = false;
    bool held_ = false;
};

}  // namespace talo::qt
