#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "update/updater_context.h"

namespace talo {

// Fixed pacing of the update.
inline constexpr std::uint32_t kCommandPauseMs = 20;
inline constexpr std::uint32_t kErasePauseMs = 4000;
inline constexpr std::size_t kBlockBytes = 48;

// Controller firmware version that means "the controller reports none".
inline constexpr std::uint16_t kNoFirmwareVersion = 0xFFFF;

// True when the controller already holds the carried version or a newer one, so the user is
// asked before it is overwritten. An unknown version is written without asking.
bool asksBeforeWriting(std::uint16_t controllerVersion);

// The "Update" command: downgrade question, lock, unprotect, erase, write address, the image in
// 48-byte blocks with a progress window, restore, record the new version. Runs synchronously;
// only its message boxes run a message loop. A missing or empty image is refused (message
// 40037) before anything is sent. Reports to context.observer when one is set.
void runUpdate(UpdaterContext& context);

// Ends a failed update: closes the session, disables "Update", refreshes the version panel,
// shows `text` (plus the code line unless result is -1) under `caption`, then shows the
// failure guidance in the status pane.
void reportUpdateFailure(UpdaterContext& context, const std::u16string& text,
                         const std::u16string& caption, std::int32_t result,
                         std::uint32_t systemError);

}  // namespace talo
