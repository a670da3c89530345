#pragma once

#include <chrono>
#include <cstdint>

namespace talo {

// Every fixed pause of the protocol and the update goes through a Clock, so tests run on a
// virtual clock and assert each pause, while programs sleep for real.
class Clock {
  public:
    virtual ~Clock() = default;

    // Pauses for at least `ms` milliseconds (and, on a real clock, not much longer).
    virtual void sleepMs(std::uint32_t ms) = 0;

    // Monotonic time in microseconds since an arbitrary start.
    virtual std::uint64_t nowMicros() const = 0;
};

// Sleeps with the standard library's steady clock and finishes the last 150 us on the clock, so
// a pause is never shorter than asked and at most a few microseconds longer. On Linux, call
// requestFineTimerSlack() (platform/linux) once at start so the sleep itself ends on time.
class SteadyClock final : public Clock {
  public:
    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override;
};

// Waits until `deadline` on the steady clock as SteadyClock::sleepMs does: never returns
// before it, and at most a few microseconds after it.
void sleepUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace talo
