#include "update/update_sequence.h"

#include <array>
#include <cstring>

#include "device/commands.h"
#include "device/session.h"
#include "update/block_plan.h"

namespace talo {

namespace {

// The span in which the controller can be ruined: the unit is claimed so no other program
// talks to it, the system stays awake, and the view keeps the program alive without letting
// anything interrupt it. A session closed meanwhile (the unit was unplugged during the
// downgrade question) has nothing to claim: the lock then fails with -1 as for any command.
bool beginWrite(UpdaterContext& context) {
    const DeviceSession& session = context.session;
    if (session.isOpen() && !context.link.hid.claim(session.handle, UnitClaim::Exclusive)) {
        return false;
    }
    if (context.awake != nullptr) {
        context.awake->hold();
    }
    context.view.writeBegins();
    return true;
}

void endWrite(UpdaterContext& context) {
    if (context.session.isOpen()) {
        context.link.hid.releaseClaim(context.session.handle);
    }
    if (context.awake != nullptr) {
        context.awake->release();
    }
    context.view.writeEnds();
}

// A step failed inside the write span: leave the span, then report.
void failWrite(UpdaterContext& context, UpdateStep step, std::int32_t result,
               std::uint32_t systemError) {
    endWrite(context);
    reportUpdateFailure(context, step, result, systemError);
}

// Sends one preparation command; on failure reads the system error right away and reports.
template <typename Command>
bool prepare(UpdaterContext& context, UpdateStep step, Command command) {
    context.view.stepBegins(step);
    const std::int32_t result = command();
    if (result != kResultOk) {
        failWrite(context, step, result, context.link.hid.lastError());
        return false;
    }
    context.link.clock.sleepMs(kCommandPauseMs);
    return true;
}

// The unit needs the long pause after an erase whatever its answer, so a failure's system
// error is read only after it (nothing in between touches the transfer's error code).
bool erase(UpdaterContext& context) {
    context.view.stepBegins(UpdateStep::Erase);
    const std::int32_t result = EraseFirmware(context.link, context.session);
    context.link.clock.sleepMs(kErasePauseMs);
    if (result != kResultOk) {
        failWrite(context, UpdateStep::Erase, result, context.link.hid.lastError());
        return false;
    }
    context.link.clock.sleepMs(kCommandPauseMs);
    return true;
}

bool runPreparation(UpdaterContext& context) {
    DeviceLink& link = context.link;
    const DeviceSession& session = context.session;
    return prepare(context, UpdateStep::Lock, [&] { return SetSystemLock(link, session, true); }) &&
           prepare(context, UpdateStep::Unprotect,
                   [&] { return SetWriteProtect(link, session, false); }) &&
           erase(context) && prepare(context, UpdateStep::SetWriteAddress, [&] {
               return SetWriteAddress(link, session);
           });
}

bool writeImage(UpdaterContext& context) {
    UpdaterView& view = context.view;
    const FirmwareImage& image = context.image;
    view.stepBegins(UpdateStep::Write);
    view.progressBegins();

    std::array<std::uint8_t, kBlockBytes> lastBlock{};
    std::size_t offset = 0;
    while (offset < image.size) {
        const BlockPlan block = planBlock(image.size, offset);
        const std::uint8_t* data = image.data + offset;
        if (!block.full) {
            // The unit writes whole words: pad the tail with erased-flash bytes.
            lastBlock.fill(0xFF);
            std::memcpy(lastBlock.data(), data, block.bytes);
            data = lastBlock.data();
        }
        const std::int32_t result = WriteBlock(context.link, context.session, data, block.words);
        if (result != kResultOk) {
            const std::uint32_t systemError = context.link.hid.lastError();
            view.progressEnds();
            failWrite(context, UpdateStep::Write, result, systemError);
            return false;
        }
        offset += block.bytes;
        view.progressAdvanced(progressPercent(image.size, image.size - offset), offset, image.size);
        context.link.clock.sleepMs(kCommandPauseMs);
    }
    view.progressEnds();
    return true;
}

// The restoring commands' results are not examined: the image is written, so the update
// counts as done even if the unit keeps its lock or leaves the flash unprotected.
void finish(UpdaterContext& context) {
    context.view.stepBegins(UpdateStep::Restore);
    SetWriteProtect(context.link, context.session, true);
    SetSystemLock(context.link, context.session, false);
    endWrite(context);
    context.session.setControllerFirmwareVersion(kImageVersion);
    context.view.offerUpdate(false);
    context.view.showVersions(context.session);
    context.view.updateSucceeded();
}

}  // namespace

bool asksBeforeWriting(std::uint16_t controllerVersion) {
    return controllerVersion >= kImageVersion && controllerVersion != kNoFirmwareVersion;
}

void runUpdate(UpdaterContext& context) {
    if (!context.session.isOpen()) {
        reportUpdateFailure(context, UpdateStep::NoUnit, kResultNoUnit,
                            context.link.hid.lastError());
        return;
    }
    if (asksBeforeWriting(context.session.controllerFirmwareVersion()) &&
        !context.view.confirmOverwrite()) {
        return;
    }
    // A missing image is refused before anything is sent, so the flash is never erased.
    if (context.image.data == nullptr || context.image.size == 0) {
        reportUpdateFailure(context, UpdateStep::NoImage, kResultNoUnit, 0);
        return;
    }
    if (!beginWrite(context)) {
        reportUpdateFailure(context, UpdateStep::Claim, kResultUnitBusy, 0);
        return;
    }
    if (!runPreparation(context) || !writeImage(context)) {
        return;
    }
    finish(context);
}

void reportUpdateFailure(UpdaterContext& context, UpdateStep step, std::int32_t result,
                         std::uint32_t systemError) {
    closeSession(context.link, context.session);
    context.view.offerUpdate(false);
    context.view.showVersions(context.session);
    context.view.updateFailed(step, result, systemError);
}

}  // namespace talo
