#include "update/update_sequence.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "device/commands.h"
#include "device/session.h"
#include "ui/control_ids.h"
#include "ui/format_text.h"
#include "ui/message_text.h"
#include "ui/status_pane.h"
#include "update/block_plan.h"

namespace talo {

namespace {

constexpr int kProgressWidth = 400;
constexpr int kProgressHeight = 50;

void notifyPhase(UpdaterContext& context, UpdatePhase phase) {
    if (context.observer != nullptr) {
        context.observer->onPhase(phase);
    }
}

// Reports a failed step under the common caption.
void failStep(UpdaterContext& context, std::uint16_t textId, std::int32_t result,
              std::uint32_t systemError) {
    reportUpdateFailure(context, loadMessage(context.window, textId),
                        loadMessage(context.window, kMsgUpdateFailedCaption), result, systemError);
}

// Sends one preparation command; on failure reads the system error right away and reports.
template <typename Command>
bool prepare(UpdaterContext& context, UpdatePhase phase, std::uint16_t failureText,
             Command command) {
    notifyPhase(context, phase);
    const std::int32_t result = command();
    if (result != kResultOk) {
        failStep(context, failureText, result, context.link.hid.lastError());
        return false;
    }
    context.link.clock.sleepMs(kCommandPauseMs);
    return true;
}

// The unit needs the long pause after an erase whatever its answer, so a failure's system
// error is read only after it (nothing in between touches the transfer's error code).
bool erase(UpdaterContext& context) {
    notifyPhase(context, UpdatePhase::Erase);
    const std::int32_t result = EraseFirmware(context.link, context.session);
    context.link.clock.sleepMs(kErasePauseMs);
    if (result != kResultOk) {
        failStep(context, kMsgEraseFailed, result, context.link.hid.lastError());
        return false;
    }
    context.link.clock.sleepMs(kCommandPauseMs);
    return true;
}

bool runPreparation(UpdaterContext& context) {
    DeviceLink& link = context.link;
    const DeviceSession& session = context.session;
    return prepare(context, UpdatePhase::Lock, kMsgLockFailed,
                   [&] { return SetSystemLock(link, session, true); }) &&
           prepare(context, UpdatePhase::Unprotect, kMsgUnprotectFailed,
                   [&] { return SetWriteProtect(link, session, false); }) &&
           erase(context) &&
           prepare(context, UpdatePhase::SetWriteAddress, kMsgWriteAddressFailed,
                   [&] { return SetWriteAddress(link, session); });
}

// Centred on the main window, position 0, both windows raised (main first).
void openProgressWindow(WindowOps& window) {
    const ScreenRect main = window.windowRect(kIdMainWindow);
    const int x = main.left + ((main.right - main.left) / 2) - kProgressWidth / 2;
    const int y = main.top + ((main.bottom - main.top) / 2) - kProgressHeight / 2;
    window.createProgressWindow(loadMessage(window, kMsgProgressTitle), x, y, kProgressWidth,
                                kProgressHeight);
    window.setProgressPosition(0);
    window.raiseToTop(TopWindow::Main);
    window.raiseToTop(TopWindow::Progress);
}

bool isOwnWindow(TopWindow window) {
    return window == TopWindow::Main || window == TopWindow::Progress;
}

// Brings both windows to the front once, as soon as one of them is the foreground window;
// afterwards the z-order is left to the user.
void keepInFront(WindowOps& window, TopWindow& remembered) {
    if (isOwnWindow(remembered)) {
        return;
    }
    if (window.foregroundWindow() == TopWindow::Main ||
        window.foregroundWindow() == TopWindow::Progress) {
        remembered = window.foregroundWindow();
        window.raiseToTop(TopWindow::Main);
        window.raiseToTop(TopWindow::Progress);
        window.showWindow(TopWindow::Main);
        window.showWindow(TopWindow::Progress);
    }
}

bool writeImage(UpdaterContext& context) {
    WindowOps& window = context.window;
    const FirmwareImage& image = context.image;
    notifyPhase(context, UpdatePhase::Write);
    openProgressWindow(window);

    TopWindow remembered = TopWindow::Other;
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
            window.destroyProgressWindow();
            failStep(context, kMsgWriteBlockFailed, result, systemError);
            return false;
        }
        offset += block.bytes;
        window.setProgressPosition(progressPercent(image.size, image.size - offset));
        if (context.observer != nullptr) {
            context.observer->onBlockWritten(offset, image.size);
        }
        keepInFront(window, remembered);
        context.link.clock.sleepMs(kCommandPauseMs);
    }
    window.destroyProgressWindow();
    return true;
}

// The restoring commands' results are not examined: the image is written, so the update
// counts as done even if the unit keeps its lock or leaves the flash unprotected.
void finish(UpdaterContext& context) {
    notifyPhase(context, UpdatePhase::Restore);
    SetWriteProtect(context.link, context.session, true);
    SetSystemLock(context.link, context.session, false);
    context.session.setControllerFirmwareVersion(kImageVersion);
    context.window.enableControl(kIdUpdate, false);
    refreshVersionPanel(context.window, context.session);
    setStatusText(context.window, loadMessage(context.window, kMsgUpdateSucceeded).c_str(), 0);
    notifyPhase(context, UpdatePhase::Succeeded);
}

}  // namespace

bool asksBeforeWriting(std::uint16_t controllerVersion) {
    return controllerVersion >= kImageVersion && controllerVersion != kNoFirmwareVersion;
}

void runUpdate(UpdaterContext& context) {
    WindowOps& window = context.window;
    if (!context.session.isOpen()) {
        failStep(context, kMsgUnitUnavailable, kResultNoUnit, context.link.hid.lastError());
        return;
    }
    if (asksBeforeWriting(context.session.controllerFirmwareVersion())) {
        const int answer = window.messageBox(loadMessage(window, kMsgDowngradeText),
                                             loadMessage(window, kMsgDowngradeCaption),
                                             MessageBoxKind::WarningYesNo);
        if (answer != kAnswerYes) {
            return;
        }
    }
    // A missing image is refused before anything is sent, so the flash is never erased.
    if (context.image.data == nullptr || context.image.size == 0) {
        failStep(context, kMsgNoImage, kResultNoUnit, 0);
        return;
    }
    if (!runPreparation(context) || !writeImage(context)) {
        return;
    }
    finish(context);
}

void reportUpdateFailure(UpdaterContext& context, const std::u16string& text,
                         const std::u16string& caption, std::int32_t result,
                         std::uint32_t systemError) {
    WindowOps& window = context.window;
    closeSession(context.link, context.session);
    window.enableControl(kIdUpdate, false);
    refreshVersionPanel(window, context.session);

    std::array<char16_t, kMessageCapacity> message{};
    if (result == kResultNoUnit) {
        formatText(message.data(), message.size(), u"%s", {std::u16string_view(text)});
    } else {
        std::array<char16_t, kMessageCapacity> codeLine{};
        formatText(codeLine.data(), codeLine.size(), loadMessage(window, kMsgErrorCodes),
                   {result, systemError});
        formatText(message.data(), message.size(), u"%s\r\n%s",
                   {std::u16string_view(text), std::u16string_view(codeLine.data())});
    }
    window.messageBox(message.data(), caption, MessageBoxKind::Error);
    setStatusText(window, loadMessage(window, kMsgUpdateAborted).c_str(), 0);
    notifyPhase(context, UpdatePhase::Failed);
}

}  // namespace talo
