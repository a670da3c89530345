#pragma once

#include <cstdint>

#include "device/clock.h"
#include "platform/win32/object_wait.h"
#include "platform/win32/win32_headers.h"

namespace talo::win32 {

// Pauses on a high-resolution waitable timer and finishes the last fraction of a millisecond
// on the performance counter, so a pause is never shorter than asked and at most about 1 ms
// longer. Windows' default timer tick (15.6 ms) would stretch a 20 ms Sleep to about 31 ms.
// Where the system has no high-resolution timer, the timer resolution is raised to 1 ms for
// the length of each pause instead.
// The timer is waited for through `wait`, which must outlive the clock; a wait that handles
// messages meanwhile may end a pause later by the time a message takes.
class WaitableTimerClock final : public Clock {
  public:
    explicit WaitableTimerClock(ObjectWait& wait = plainObjectWait());
    ~WaitableTimerClock() override;
    WaitableTimerClock(const WaitableTimerClock&) = delete;
    WaitableTimerClock& operator=(const WaitableTimerClock&) = delete;

    void sleepMs(std::uint32_t ms) override;
    std::uint64_t nowMicros() const override;

    bool hasHighResolutionTimer() const { return highResolution_; }

  private:
    std::int64_t ticksNow() const;

    ObjectWait& wait_;
    HANDLE timer_ = nullptr;
    bool highResolution_ = false;
    std::int64_t ticksPerSecond_ = 1;
};

}  // namespace talo::win32
