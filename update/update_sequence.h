#pragma once

#include <cstddef>
#include <cstdint>

#include "device/commands.h"
#include "update/updater_context.h"

namespace talo {

// Fixed pacing of the update.
inline constexpr std::uint32_t kCommandPauseMs = 20;
inline constexpr std::uint32_t kErasePauseMs = 4000;
inline constexpr std::size_t kBlockBytes = 48;

// The result of an update refused for want of an image. Like a missing unit's, it means that
// nothing was sent, so a report of it carries no code line.
inline constexpr std::int32_t kResultNoImage = kResultNoUnit;

// True when the controller already holds the carried version or a newer one, so the user is
// asked before it is overwritten. An unknown version is written without asking.
bool asksBeforeWriting(std::uint16_t controllerVersion);

// The "Update" command: downgrade question, then, under an exclusive claim on the unit and with
// the system kept awake, lock, unprotect, erase, write address, the image in 48-byte blocks,
// restore, and the new version recorded in the session. Runs synchronously; only the view's
// modal calls wait for the user. A missing or empty image is refused before anything is sent.
void runUpdate(UpdaterContext& context);

// Ends a failed update: closes the session, withdraws the update offer, shows the versions of
// the closed session, then reports the failing step with its result and system error code.
void reportUpdateFailure(UpdaterContext& context, UpdateStep step, std::int32_t result,
                         std::uint32_t systemError);

}  // namespace talo
