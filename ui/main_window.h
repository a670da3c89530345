#pragma once

#include <cstdint>

#include "device/device_notification.h"
#include "ui/window_ops.h"
#include "ui/window_updater_view.h"
#include "update/updater_context.h"

namespace talo {

// Fixed texts of the window (not part of the message catalogue).
inline constexpr char16_t kTitleFormat[] = u"MERIDOVAN %s Firmware Updater %u.%u";
inline constexpr char16_t kUnitRowLabel[] = u"Programmiereinheit";
inline constexpr char16_t kBootloaderRowLabel[] = u"Regler-Bootloader";
inline constexpr char16_t kControllerRowLabel[] = u"Regler";

// Dialog results.
inline constexpr std::intptr_t kDialogResultRegistrationFailed = 1;
inline constexpr std::intptr_t kDialogResultQuit = 2;

// The main window's behaviour, independent of the platform. A platform's dialog procedure (or
// Qt window) only translates its messages into these calls and returns their results.
class MainWindow {
  public:
    // `window`, the link's HID stack and clock, `session` and `awake` are borrowed and must
    // outlive this object: the destructor releases the brush through the window.
    MainWindow(WindowOps& window, DeviceLink link, DeviceSession& session, FirmwareImage image,
               SystemAwake* awake = nullptr);
    ~MainWindow();  // releases the red row's brush
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // WM_INITDIALOG: icon, title, row labels, notification registration, then the start-up
    // evaluation; on a failed registration the error box, clean-up and endDialog(1).
    // Returns 1 (focus goes to the first enabled tab stop, "Beenden").
    std::intptr_t onInitDialog();

    // WM_COMMAND with the control id from the low 16 bits of wParam: 2 runs the shut-down
    // clean-up and endDialog(2), 1002 runs the update; both return 1, any other id 0.
    std::intptr_t onCommand(int controlId);

    // WM_CTLCOLORSTATIC: for the red row (40011, 40015) the background brush, created once for
    // the window's life (the caller sets red text on a transparent background); else 0.
    BrushHandle onCtlColorStatic(int controlId);

    // WM_DEVICECHANGE: 1 when the event was handled, else 0.
    std::intptr_t onDeviceChange(std::uint32_t eventCode, const DeviceNotification* record);

    // The platform's retry timer (about once a second): while the window tells the user that
    // another program writes the unit and no unit is open, evaluates again as on an arrival, so
    // the unit is offered as soon as that program has let go of it. Returns true when it did.
    bool onRetryTimer();

    // Unregisters the notification (when registered) and closes the device.
    void shutdownCleanup();

    static bool isRedRowControl(int controlId);

    UpdaterContext& context() { return context_; }

  private:
    WindowOps& window_;
    WindowUpdaterView view_;
    UpdaterContext context_;
    bool registered_ = false;
    BrushHandle rowBrush_ = 0;
};

// Where the logo is drawn in the window's paint coordinates, scaled to keep its aspect ratio.
struct LogoPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// window and groupBox are screen rectangles of the main window and of group box 40007;
// dialogFrameWidth is SM_CXDLGFRAME, captionHeight SM_CYCAPTION. On a screen of more than 96
// dots per inch the logo's size, its gap to the group box and its margin grow with the window.
LogoPlacement logoPlacement(int bitmapWidth, int bitmapHeight, const ScreenRect& window,
                            const ScreenRect& groupBox, int dialogFrameWidth, int captionHeight,
                            int dotsPerInch = 96);

}  // namespace talo
