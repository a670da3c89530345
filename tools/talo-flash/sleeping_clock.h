#pragma once

#include <cstdint>

#include "device/clock.h"

namespace talo::flash {

// A clock that only sleeps: it waits for the pause's deadline on the steady clock, sleeping
// again after an early wake-up, so a pause is never shorter than asked. It does not spin
// for the last fraction of a millisecond as SteadyClock does, which costs the process about
// 2 % CPU over an update; on Linux it asks for 1 ns timer slack instead, which keeps the
// overshoot of each pause in the tens of microseconds on an idle machine.
class SleepingClock final : public Clock {
  public:
    SleepingClock();
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override;
};

}  // namespace talo::flash
