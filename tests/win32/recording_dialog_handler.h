#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/win32/dialog_procedure.h"
#include "ui/control_ids.h"

namespace talo::win32::testing {

// Records what reaches a dialog handler and answers with scripted results.
class RecordingDialogHandler final : public DialogHandler {
  public:
    std::intptr_t onInitDialog(HWND window) override {
        initialised = window;
        return 1;
    }
    std::intptr_t onCommand(int controlId) override {
        commands.push_back(controlId);
        if (controlId == kIdUpdate && duringUpdate) {
            duringUpdate();
        }
        return commandResult;
    }
    HBRUSH onCtlColorStatic(int controlId) override {
        colouredControls.push_back(controlId);
        return controlId == kIdControllerVersion ? brush : nullptr;
    }
    void onPaint(HDC) override { ++paints; }
    std::intptr_t onDeviceChange(std::uint32_t eventCode,
                                 const DeviceNotification* record) override {
        eventCodes.push_back(eventCode);
        records.push_back(record != nullptr ? std::optional(*record) : std::nullopt);
        if (duringDeviceChange) {
            std::exchange(duringDeviceChange, nullptr)();
        }
        return deviceChangeResult;
    }
    void onTimer(UINT_PTR timerId) override { timers.push_back(timerId); }
    bool onSystemCommand(unsigned command) override {
        systemCommands.push_back(command);
        return false;
    }
    bool onQueryEndSession() override { return allowEndSession; }
    void onReplayDeviceChange() override { ++replays; }

    HWND initialised = nullptr;
    std::vector<int> commands;
    std::intptr_t commandResult = 1;
    std::function<void()> duringUpdate;  // runs inside the command of "Update"
    std::vector<int> colouredControls;
    HBRUSH brush = reinterpret_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    int paints = 0;
    std::vector<std::uint32_t> eventCodes;
    std::vector<std::optional<DeviceNotification>> records;
    std::intptr_t deviceChangeResult = 7;
    std::function<void()> duringDeviceChange;  // runs once, inside the next notification
    std::vector<UINT_PTR> timers;
    std::vector<unsigned> systemCommands;
    bool allowEndSession = true;
    int replays = 0;
};

}  // namespace talo::win32::testing
