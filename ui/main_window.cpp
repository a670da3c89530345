#include "ui/main_window.h"

#include <algorithm>
#include <array>

#include "device/session.h"
#include "ui/control_ids.h"
#include "ui/format_text.h"
#include "ui/message_ids.h"
#include "ui/message_text.h"
#include "update/readiness.h"
#include "update/update_sequence.h"

namespace talo {
namespace {

constexpr std::size_t kTitleCapacity = 256;

// The title names the carried image's version, major and minor.
constexpr std::uint32_t kTitleMajor = kImageVersion >> 8;
constexpr std::uint32_t kTitleMinor = kImageVersion & 0xFFu;

}  // namespace

MainWindow::MainWindow(WindowOps& window, DeviceLink link, DeviceSession& session,
                       FirmwareImage image, SystemAwake* awake)
    : window_(window), view_(window), context_{link, session, view_, image, awake} {}

MainWindow::~MainWindow() {
    if (rowBrush_ != 0) {
        window_.deleteBrush(rowBrush_);
    }
}

std::intptr_t MainWindow::onInitDialog() {
    WindowOps& window = window_;
    window.setClassIcon();

    // A title that cannot be formatted leaves the template's caption in place.
    std::array<char16_t, kTitleCapacity> title{};
    if (formatText(title.data(), title.size(), kTitleFormat,
                   {kModelName, kTitleMajor, kTitleMinor}) > 0) {
        window.setTitle(title.data());
    }

    window.setControlText(kIdUnitLabel, kUnitRowLabel);
    window.setControlText(kIdBootloaderLabel, kBootloaderRowLabel);
    window.setControlText(kIdControllerLabel, kControllerRowLabel);

    registered_ = window.registerDeviceNotification();
    if (!registered_) {
        const std::u16string caption = loadMessage(window, kMsgApplicationErrorCaption);
        const std::u16string text = loadMessage(window, kMsgRegistrationFailed);
        window.messageBox(text, caption, MessageBoxKind::Error);
        shutdownCleanup();
        window.endDialog(kDialogResultRegistrationFailed);
        return 1;
    }
    evaluateReadiness(context_, EvaluationCaller::StartUp);
    return 1;
}

std::intptr_t MainWindow::onCommand(int controlId) {
    if (controlId == kIdQuit) {
        shutdownCleanup();
        window_.endDialog(kDialogResultQuit);
        return 1;
    }
    if (controlId == kIdUpdate) {
        runUpdate(context_);
        return 1;
    }
    return 0;
}

BrushHandle MainWindow::onCtlColorStatic(int controlId) {
    if (!isRedRowControl(controlId)) {
        return 0;
    }
    // One brush for the window's life; repainting must not leak brushes.
    if (rowBrush_ == 0) {
        rowBrush_ = window_.createButtonFaceBrush();
    }
    return rowBrush_;
}

std::intptr_t MainWindow::onDeviceChange(std::uint32_t eventCode,
                                         const DeviceNotification* record) {
    return talo::onDeviceChange(context_, eventCode, record) ? 1 : 0;
}

bool MainWindow::onRetryTimer() {
    if (!view_.waitingForBusyUnit() || context_.session.isOpen()) {
        return false;
    }
    evaluateReadiness(context_, EvaluationCaller::Arrival);
    return true;
}

void MainWindow::shutdownCleanup() {
    if (registered_) {
        window_.unregisterDeviceNotification();
        registered_ = false;
    }
    closeSession(context_.link, context_.session);
}

bool MainWindow::isRedRowControl(int controlId) {
    return controlId == kIdControllerLabel || controlId == kIdControllerVersion;
}

LogoPlacement logoPlacement(int bitmapWidth, int bitmapHeight, const ScreenRect& window,
                            const ScreenRect& groupBox, int dialogFrameWidth, int captionHeight,
                            int dotsPerInch) {
    const auto forScreen = [dotsPerInch](int pixels) { return pixels * dotsPerInch / 96; };
    LogoPlacement placement;
    placement.x = groupBox.right - (window.left + dialogFrameWidth) + forScreen(20);
    placement.y = groupBox.top - (window.top + captionHeight);
    if (bitmapWidth <= 0 || bitmapHeight <= 0) {
        return placement;  // no bitmap: nothing to draw
    }
    const int space = window.right - groupBox.right - forScreen(10);
    // A window too narrow for any logo draws none rather than a mirrored one.
    placement.width = std::max(std::min(forScreen(bitmapWidth / 2), space), 0);
    // Single precision, truncated toward zero, as the logo has always been scaled.
    const float scaled = static_cast<float>(placement.width) / static_cast<float>(bitmapWidth) *
                         static_cast<float>(bitmapHeight);
    placement.height = static_cast<int>(scaled);
    return placement;
}

}  // namespace talo
