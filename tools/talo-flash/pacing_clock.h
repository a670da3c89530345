#pragma once

#include <cstdint>

#include "device/clock.h"

namespace talo::flash {

// The clock for the update's real pauses. It sleeps until shortly before the deadline and
// waits out the rest on the steady clock, yielding the processor, so a pause is never shorter
// than asked and overshoots by a few microseconds only. The waiting stretch is short (see
// kWakeEarly) because SteadyClock's 500 us of it cost the process about 1.6 % CPU over an
// update; on Linux it also asks for 1 ns timer slack, so the sleep itself ends on time.
class PacingClock final : public Clock {
  public:
    PacingClock();
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override;
};

}  // namespace talo::flash
