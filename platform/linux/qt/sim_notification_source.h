#pragma once

#include <QObject>
#include <cstdint>

#include "platform/linux/qt/notification_source.h"
#include "sim/sim_hid_platform.h"

namespace talo::qt {

// Turns the simulated HID stack's plug and unplug calls into device notifications. They are
// queued and delivered by the Qt event loop, never from inside the call that plugged or
// unplugged (a unit that drops off during an update reports its removal afterwards).
class SimNotificationSource final : public NotificationSource {
  public:
    explicit SimNotificationSource(sim::SimHidPlatform& hid);
    ~SimNotificationSource() override;

    // While failing, start() refuses, as a failed registration does.
    void setStartFails(bool fails) { startFails_ = fails; }
    bool isActive() const { return static_cast<bool>(handler_); }

    bool start(Handler handler) override;
    void stop() override;

  private:
    void queue(bool arrived, const std::u16string& path);

    sim::SimHidPlatform& hid_;
    QObject context_;  // queued deliveries die with the source
    Handler handler_;
    std::uint64_t generation_ = 0;  // bumped by start() and stop(): older events are dropped
    bool startFails_ = false;
};

}  // namespace talo::qt
