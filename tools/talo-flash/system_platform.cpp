#include "system_platform.h"

#include "sleeping_clock.h"

#if defined(TALO_FLASH_LINUX_HID)
#include "platform/linux/hid/linux_hid_platform.h"
#endif
#if defined(TALO_FLASH_WIN32_HID)
#include "platform/win32/waitable_timer_clock.h"
#include "platform/win32/win32_hid_platform.h"
#endif

namespace talo::flash {

std::unique_ptr<HidPlatform> makeSystemHid() {
#if defined(TALO_FLASH_LINUX_HID)
    return std::make_unique<LinuxHidPlatform>();
#elif defined(TALO_FLASH_WIN32_HID)
    return std::make_unique<Win32HidPlatform>();
#else
    return nullptr;
#endif
}

std::unique_ptr<Clock> makeSystemClock() {
#if defined(TALO_FLASH_WIN32_HID)
    return std::make_unique<win32::WaitableTimerClock>();
#else
    return std::make_unique<SleepingClock>();
#endif
}

}  // namespace talo::flash
