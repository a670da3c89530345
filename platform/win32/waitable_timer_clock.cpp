#include "platform/win32/waitable_timer_clock.h"

#include <timeapi.h>

namespace talo::win32 {
namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

// The timer wakes this much before the deadline; the rest is spent on the counter, which
// absorbs the timer's own wake-up latency.
constexpr std::int64_t kSpinMicros = 500;

}  // namespace

WaitableTimerClock::WaitableTimerClock(ObjectWait& wait) : wait_(wait) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                    TIMER_ALL_ACCESS);
    highResolution_ = timer_ != nullptr;
    if (timer_ == nullptr) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
}

WaitableTimerClock::~WaitableTimerClock() {
    if (timer_ != nullptr) {
        CloseHandle(timer_);
    }
}

std::int64_t WaitableTimerClock::ticksNow() const {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::uint64_t WaitableTimerClock::nowMicros() const {
    const std::int64_t ticks = ticksNow();
    const std::int64_t seconds = ticks / ticksPerSecond_;
    const std::int64_t rest = ticks % ticksPerSecond_;
    return static_cast<std::uint64_t>(seconds * 1000000 + rest * 1000000 / ticksPerSecond_);
}

void WaitableTimerClock::sleepMs(std::uint32_t ms) {
    const std::int64_t start = ticksNow();
    const std::int64_t deadline = start + static_cast<std::int64_t>(ms) * ticksPerSecond_ / 1000;
    const std::int64_t timedMicros = static_cast<std::int64_t>(ms) * 1000 - kSpinMicros;
    if (timedMicros > 0) {
        const bool raiseResolution = !highResolution_;
        if (raiseResolution) {
            timeBeginPeriod(1);
        }
        bool waited = false;
        if (timer_ != nullptr) {
            LARGE_INTEGER due{};
            due.QuadPart = -timedMicros * 10;  // relative, in 100 ns units
            if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
                waited = wait_.waitFor(timer_, INFINITE) == WAIT_OBJECT_0;
            }
        }
        if (!waited) {
            Sleep(static_cast<DWORD>(timedMicros / 1000));
        }
        if (raiseResolution) {
            timeEndPeriod(1);
        }
    }
    while (ticksNow() < deadline) {
        YieldProcessor();
    }
}

}  // namespace talo::win32
