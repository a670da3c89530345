#pragma once

#include <chrono>
#include <functional>

#include "device/clock.h"

namespace talo {

// A real clock for programs with a window: while a pause lasts it calls a service function at
// least every kServiceInterval, so the window can answer the system on the same thread. The
// pause is still never shorter than asked; the service is not called in the last
// kServiceMargin before the end, so a short service call does not stretch the pause.
class ResponsiveClock final : public Clock {
  public:
    static constexpr std::chrono::milliseconds kServiceInterval{10};
    static constexpr std::chrono::milliseconds kServiceMargin{2};

    // Called from inside sleepMs(); an empty function turns the servicing off.
    void setService(std::function<void()> service) { service_ = std::move(service); }

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override { return steady_.nowMicros(); }

  private:
    SteadyClock steady_;
    std::function<void()> service_;
};

}  // namespace talo
