// The Windows program's real main dialog (dialog procedure, window operations, write gate,
// waitable-timer clock, message pump) over the simulated HID stack with a ready unit, so that
// the window can be watched from outside during a whole update (talo_liveness_probe). The
// simulated unit takes its time on the real clock: pauses, the erase's answer and a 2 ms
// latency per exchange last as long as with a unit.
// Usage: talo_live_update [BLOCKS]   (default: the whole carried image)
// Exit code 0 when the dialog was ended by a close request after the image was written byte
// for byte, with one erase, and the unit was restored; 1 otherwise, with the reason printed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/commands.h"
#include "platform/win32/firmware_resource.h"
#include "platform/win32/main_dialog_run.h"
#include "platform/win32/waitable_timer_clock.h"
#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"
#include "ui/main_window.h"

int wmain(int argc, wchar_t** argv) {
    using namespace talo;
    InitCommonControls();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    FirmwareImage image = win32::firmwareImageResource(instance);
    if (argc > 1) {
        image.size = std::min<std::size_t>(image.size, std::wcstoul(argv[1], nullptr, 10) * 48);
    }

    win32::WriteMessagePump pump;
    win32::WaitableTimerClock clock(pump);
    sim::SimHidPlatform hid(clock);
    sim::SimulatedUnit ready = sim::makeUnit(sim::Situation::Ready);
    ready.exchangeLatencyMicros = 2000;
    const sim::DeviceId id = hid.addUnit(std::move(ready));

    const INT_PTR result = win32::runMainDialog(instance, DeviceLink{hid, clock}, pump, image);

    const sim::SimulatedUnit& unit = hid.unit(id);
    const sim::FlashModel& flash = unit.flash;
    const char* failure = nullptr;
    if (result != kDialogResultQuit) {
        failure = "the dialog was not ended by a close request";
    } else if (flash.contents.size() < image.size || flash.bytesWritten != image.size ||
               std::memcmp(flash.contents.data(), image.data, image.size) != 0) {
        failure = "the flash does not hold the image";
    } else if (unit.deliveredCount(kCmdEraseFirmware) != 1) {
        failure = "the flash was not erased exactly once";
    } else if (!flash.writeProtect || flash.systemLock) {
        failure = "the unit was not restored";
    }
    // Spacing of the block requests: the 20 ms pause and the exchange, plus whatever the
    // window's messages added.
    const auto blocks = unit.deliveredRequests(kCmdWriteBlock);
    std::uint64_t shortest = UINT64_MAX, longest = 0;
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        const std::uint64_t spacing = blocks[i]->atMicros - blocks[i - 1]->atMicros;
        shortest = std::min(shortest, spacing);
        longest = std::max(longest, spacing);
    }
    if (blocks.size() > 1) {
        std::printf("talo_live_update: block requests %.2f to %.2f ms apart, %.2f ms on average\n",
                    static_cast<double>(shortest) / 1000.0, static_cast<double>(longest) / 1000.0,
                    static_cast<double>(blocks.back()->atMicros - blocks.front()->atMicros) /
                        1000.0 / static_cast<double>(blocks.size() - 1));
    }
    std::printf("talo_live_update: %zu bytes in %zu blocks: %s\n", image.size,
                unit.deliveredCount(kCmdWriteBlock),
                failure != nullptr ? failure : "flash identical, unit restored");
    return failure != nullptr ? 1 : 0;
}
