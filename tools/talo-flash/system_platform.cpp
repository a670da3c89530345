#include "system_platform.h"

#if defined(TALO_FLASH_LINUX_HID)
#include "platform/linux/hid/linux_hid_platform.h"
#include "platform/linux/pacing/timer_slack.h"
#include "platform/linux/power/logind_inhibitor.h"
#include "resources/messages.h"
#include "text_output.h"
#include "ui/message_ids.h"
#endif
#if defined(TALO_FLASH_WIN32_HID)
#include "platform/win32/execution_state_awake.h"
#include "platform/win32/waitable_timer_clock.h"
#include "platform/win32/win32_hid_platform.h"
#endif

namespace talo::flash {

std::unique_ptr<HidPlatform> makeSystemHid() {
#if defined(TALO_FLASH_LINUX_HID)
    return std::make_unique<LinuxHidPlatform>();
#elif defined(TALO_FLASH_WIN32_HID)
    return std::make_unique<win32::Win32HidPlatform>();
#else
    return nullptr;
#endif
}

std::string noUnitHint([[maybe_unused]] HidPlatform& hid) {
#if defined(TALO_FLASH_LINUX_HID)
    const auto* linuxHid = dynamic_cast<const LinuxHidPlatform*>(&hid);
    if (linuxHid != nullptr && linuxHid->sawUnitWithoutPermission()) {
        return toTerminalText(catalogueText(kMsgNoAccessRights));
    }
#endif
    return {};
}

std::unique_ptr<Clock> makeSystemClock() {
#if defined(TALO_FLASH_WIN32_HID)
    return std::make_unique<win32::WaitableTimerClock>();
#else
#if defined(TALO_FLASH_LINUX_HID)
    requestFineTimerSlack();
#endif
    return std::make_unique<SteadyClock>();
#endif
}

// One per unit, made on the unit's own thread: Windows keeps a thread's execution state.
std::unique_ptr<SystemAwake> makeSystemAwake() {
#if defined(TALO_FLASH_LINUX_HID)
    return std::make_unique<LogindInhibitor>("talo-flash", keepAwakeReason());
#elif defined(TALO_FLASH_WIN32_HID)
    return std::make_unique<win32::ExecutionStateAwake>();
#else
    return nullptr;
#endif
}

}  // namespace talo::flash
