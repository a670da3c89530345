#pragma once

#include <cstdint>
#include <functional>

#include "device/clock.h"

namespace talo::flash {

// Passes every pause on to another clock, cutting long pauses into slices and calling `tick`
// after each slice, so a progress display can count down through the 5 s of the erase. The
// slices end at the pause's deadline on the other clock, so the pause as a whole is not
// lengthened by the slicing.
class TickingClock final : public Clock {
  public:
    TickingClock(Clock& inner, std::uint32_t sliceMs, std::function<void()> tick)
        : inner_(inner), sliceMs_(sliceMs), tick_(std::move(tick)) {}

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override { return inner_.nowMicros(); }

  private:
    Clock& inner_;
    std::uint32_t sliceMs_;
    std::function<void()> tick_;
};

}  // namespace talo::flash
