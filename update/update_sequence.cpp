#include "update/update_sequence.h"

#include <array>
#include <cstring>
#include <optional>

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

// Where a write attempt failed: the step, its command result and the system's error code.
struct StepFailure {
    UpdateStep step = UpdateStep::Lock;
    std::int32_t result = 0;
    std::uint32_t systemError = 0;
};
using StepResult = std::optional<StepFailure>;

// Sends one preparation command; on failure reads the system error right away.
template <typename Command>
StepResult prepare(UpdaterContext& context, UpdateStep step, Command command) {
    context.view.stepBegins(step);
    const std::int32_t result = command();
    if (result != kResultOk) {
        return StepFailure{step, result, context.link.hid.lastError()};
    }
    context.link.clock.sleepMs(kCommandPauseMs);
    return std::nullopt;
}

// The unit needs the long pause after an erase whatever its answer, so a failure's system
// error is read only after it (nothing in between touches the transfer's error code).
StepResult erase(UpdaterContext& context) {
    context.view.stepBegins(UpdateStep::Erase);
    const std::int32_t result = EraseFirmware(context.link, context.session);
    context.link.clock.sleepMs(kErasePauseMs);
    if (result != kResultOk) {
        return StepFailure{UpdateStep::Erase, result, context.link.hid.lastError()};
    }
    context.link.clock.sleepMs(kCommandPauseMs);
    return std::nullopt;
}

StepResult runPreparation(UpdaterContext& context) {
    DeviceLink& link = context.link;
    const DeviceSession& session = context.session;
    StepResult failure =
        prepare(context, UpdateStep::Lock, [&] { return SetSystemLock(link, session, true); });
    if (!failure) {
        failure = prepare(context, UpdateStep::Unprotect,
                          [&] { return SetWriteProtect(link, session, false); });
    }
    if (!failure) {
        failure = erase(context);
    }
    if (!failure) {
        failure = prepare(context, UpdateStep::SetWriteAddress,
                          [&] { return SetWriteAddress(link, session); });
    }
    return failure;
}

StepResult writeImage(UpdaterContext& context) {
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
            return StepFailure{UpdateStep::Write, result, systemError};
        }
        offset += block.bytes;
        view.progressAdvanced(progressPercent(image.size, image.size - offset), offset, image.size);
        context.link.clock.sleepMs(kCommandPauseMs);
    }
    view.progressEnds();
    return std::nullopt;
}

// The restoring commands' results are not examined: the image is written, so the update
// counts as done even if the unit keeps its lock or leaves the flash unprotected.
void restore(UpdaterContext& context) {
    context.view.stepBegins(UpdateStep::Restore);
    SetWriteProtect(context.link, context.session, true);
    SetSystemLock(context.link, context.session, false);
}

void succeed(UpdaterContext& context) {
    context.session.setControllerFirmwareVersion(kImageVersion);
    context.view.offerUpdate(false);
    context.view.showVersions(context.session);
    context.view.updateSucceeded();
}

// The attempt as the journal keeps it; started right after the downgrade question.
class AttemptRecord {
  public:
    explicit AttemptRecord(UpdaterContext& context) : context_(context) {
        if (context.journal == nullptr) {
            return;
        }
        startMicros_ = context.link.clock.nowMicros();
        attempt_.unit = context.session;
        if (context.session.isOpen() &&
            !context.link.hid.serialNumber(context.session.handle, attempt_.serialNumber)) {
            attempt_.serialNumber.clear();
        }
    }

    // Hands the attempt to the journal: written when `failure` is empty.
    void finish(const StepResult& failure) {
        if (context_.journal == nullptr) {
            return;
        }
        attempt_.written = !failure.has_value();
        if (failure) {
            attempt_.failedStep = failure->step;
            attempt_.result = failure->result;
            attempt_.systemError = failure->systemError;
        }
        attempt_.durationMicros = context_.link.clock.nowMicros() - startMicros_;
        context_.journal->recordAttempt(attempt_);
    }

  private:
    UpdaterContext& context_;
    UpdateAttempt attempt_;
    std::uint64_t startMicros_ = 0;
};

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
    AttemptRecord record(context);
    // A missing image is refused before anything is sent, so the flash is never erased.
    if (context.image.data == nullptr || context.image.size == 0) {
        record.finish(StepFailure{UpdateStep::NoImage, kResultNoUnit, 0});
        reportUpdateFailure(context, UpdateStep::NoImage, kResultNoUnit, 0);
        return;
    }
    if (!beginWrite(context)) {
        record.finish(StepFailure{UpdateStep::Claim, kResultUnitBusy, 0});
        reportUpdateFailure(context, UpdateStep::Claim, kResultUnitBusy, 0);
        return;
    }
    StepResult failure = runPreparation(context);
    if (!failure) {
        failure = writeImage(context);
    }
    if (!failure) {
        restore(context);
    }
    // Recorded inside the span: nothing may end the program between the write and its record.
    record.finish(failure);
    endWrite(context);
    if (failure) {
        reportUpdateFailure(context, failure->step, failure->result, failure->systemError);
    } else {
        succeed(context);
    }
}

void reportUpdateFailure(UpdaterContext& context, UpdateStep step, std::int32_t result,
                         std::uint32_t systemError) {
    closeSession(context.link, context.session);
    context.view.offerUpdate(false);
    context.view.showVersions(context.session);
    context.view.updateFailed(step, result, systemError);
}

}  // namespace talo
