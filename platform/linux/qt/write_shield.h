#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace talo::qt {

// Keeps the program's windows alive for the system while the controller's flash is written
// synchronously on the window's thread, without letting anything of the program run in
// between.
//
// While raised, service() lets Qt handle what the window system sends (the window manager's
// _NET_WM_PING, expose and repaint, window moves, close requests) and the events Qt posts for
// painting and layout, but no timers. Device notifications are held by their source meanwhile
// (QtWindowOps), as the GLib event dispatcher does not leave socket notifiers out.
// Pointer and keyboard input to any window of the program is dropped while raised, because
// input replayed after the write could dismiss the failure box unread or act on a window that
// has changed meanwhile. What would end the window is a close request instead, handed to
// `onCloseRequest` (the close box reaches it through the window's own close handling): Escape,
// and a click on the close button or Enter and Space acting on it, as the dialog's default
// button (Enter on any other push button would press that one and is dropped).
class WriteShield final : public QObject {
  public:
    WriteShield(QWidget& mainWindow, std::function<void()> onCloseRequest);
    ~WriteShield() override;

    // The window's button that ends it ("Beenden"); none: only Escape requests a close.
    void setCloseButton(QWidget* button) { closeButton_ = button; }

    void raise();
    void lower();
    bool isRaised() const { return raised_; }

    // Handles the window-system events that are waiting, once, when raised; does nothing
    // otherwise and when called from inside itself. Returns at once when nothing waits.
    void service();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool belongsToMainWindow(QObject* object) const;
    bool requestsClose(QObject* watched, const QEvent& event) const;

    QWidget& mainWindow_;
    QWidget* closeButton_ = nullptr;
    std::function<void()> onCloseRequest_;
    bool raised_ = false;
    bool servicing_ = false;
};

}  // namespace talo::qt
