#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "device/device_notification.h"
#include "platform/linux/qt/dialog_units.h"
#include "platform/linux/qt/static_control.h"
#include "platform/linux/qt/write_shield.h"
#include "ui/main_window.h"

class QPlainTextEdit;
class QPushButton;

namespace talo::qt {

// The main window: the controls of the dialog layout at fixed positions, the logo, and the
// translation of Qt's events into calls of the portable window logic (talo::MainWindow).
class UpdaterDialog final : public QDialog {
  public:
    explicit UpdaterDialog(QWidget* parent = nullptr);
    ~UpdaterDialog() override;

    // The logic the events go to; must be attached before run().
    void attach(MainWindow& logic) { logic_ = &logic; }

    // Runs once after every evaluation the window starts (start-up and device arrival).
    void setAfterEvaluation(std::function<void()> hook) { afterEvaluation_ = std::move(hook); }

    // Centres the window and initialises it through the logic, before it is shown, so a box of
    // the start-up evaluation comes first. Returns false when the initialisation ended the
    // dialog.
    bool initialise();

    // initialise(), then runs the window modally. Returns the dialog result.
    int run();

    // Ends the dialog with `result`, also before run() has shown it.
    void endDialog(int result);
    bool hasEnded() const { return ended_; }

    // The span in which the controller's flash is written: the window stays alive for the
    // system but takes no input (see WriteShield). serviceWindows() is called from the waits
    // inside the span (pauses, reads) and does nothing outside it.
    void setProtectedWrite(bool writing);
    void serviceWindows() { shield_.service(); }

    // A close request (close box, Escape) ends the window like "Beenden". While the logic is
    // busy (an update, an evaluation, one of their message boxes), it is held back and carried
    // out when that call has returned, as a queued WM_CLOSE would be.
    void requestClose();

    // Hands one device-change event to the logic.
    void deliverDeviceChange(std::uint32_t eventCode, const DeviceNotification& record);

    // About once a second from initialise() on: lets the logic look again at a unit that
    // another program was writing. Skipped while the logic is busy, so it never runs inside an
    // update or a message box.
    void retryTick();
    const QTimer& retryTimer() const { return retryTimer_; }

    // The control with `id` (nullptr for an unknown id), and its typed views.
    QWidget* control(int id) const;
    QPushButton* button(int id) const;
    StaticControl* staticControl(int id) const;
    QPlainTextEdit* statusPane() const;

    const DialogBaseUnits& baseUnits() const { return units_; }
    const QImage& logo() const { return logo_; }

  protected:
    void reject() override;  // Escape and the close box: the same command as "Beenden"
    void paintEvent(QPaintEvent* event) override;

  private:
    // Marks a call into the logic; the outermost one carries out a held-back close request.
    class LogicCall;

    void command(int id);
    void createControls();
    void placeCentred();
    std::optional<StaticColours> staticColours(int controlId);

    MainWindow* logic_ = nullptr;
    std::function<void()> afterEvaluation_;
    DialogBaseUnits units_;
    std::map<int, QWidget*> controls_;
    QImage logo_;
    WriteShield shield_;
    QTimer retryTimer_;
    int logicDepth_ = 0;
    bool quitHeldBack_ = false;
    bool ended_ = false;
    int endResult_ = 0;
};

}  // namespace talo::qt
