#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "device/clock.h"

namespace talo::sim {

// A clock that never sleeps: sleepMs() records the pause and moves time on at once, so tests
// assert every pause of the program and run a 30 s update in microseconds.
class VirtualClock final : public Clock {
  public:
    // Records `ms` and advances the time by it.
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override { return now_; }

    // Time that passes without a pause of the program (a read waiting for its time limit,
    // the latency of a simulated exchange). Not recorded as a pause.
    void advanceMicros(std::uint64_t micros) { now_ += micros; }

    // Every sleepMs() argument since construction or the last clearPauses(), in call order.
    const std::vector<std::uint32_t>& pauses() const { return pauses_; }
    std::uint64_t totalPausedMs() const;
    void clearPauses() { pauses_.clear(); }

  private:
    std::uint64_t now_ = 0;
    std::vector<std::uint32_t> pauses_;
};

// Lets `micros` of time pass on `clock` without recording a pause: a VirtualClock is advanced,
// any other clock is waited on for real, calling a non-empty `service` at least every 10 ms
// meanwhile (a window on the same thread stays serviced while a simulated unit is slow).
void passTime(Clock& clock, std::uint64_t micros, const std::function<void()>& service = {});

}  // namespace talo::sim
