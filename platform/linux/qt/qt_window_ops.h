#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/linux/qt/notification_source.h"
#include "ui/window_ops.h"

class QProgressBar;
class QWidget;

namespace talo::qt {

class UpdaterDialog;

// Keeps the progress window open against close requests: it ends with the block loop.
class CloseBlocker final : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// CR LF line breaks, as the catalogue and the logic write them, turned into the LF Qt expects.
QString displayText(const std::u16string& text);

// The window operations of the portable logic, realised on the Qt main window: control texts
// are kept exactly as set (CR LF included) and shown converted; message boxes are modal
// QMessageBoxes owned by the window, whose nested event loop delivers device events as a
// Windows message box does; the progress window is a top-level QProgressBar owned by it.
class QtWindowOps final : public WindowOps {
  public:
    QtWindowOps(UpdaterDialog& dialog, NotificationSource& notifications);
    ~QtWindowOps() override;

    void setControlText(int controlId, const std::u16string& text) override;
    int controlTextLength(int controlId) override;
    int getControlText(int controlId, char16_t* buffer, int capacity) override;
    void enableControl(int controlId, bool enabled) override;
    void setTitle(const std::u16string& title) override;
    void setClassIcon() override;
    int messageBox(const std::u16string& text, const std::u16string& caption,
                   MessageBoxKind kind) override;
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override;
    bool registerDeviceNotification() override;
    void unregisterDeviceNotification() override;
    void endDialog(std::intptr_t result) override;
    ScreenRect windowRect(int controlId) override;
    BrushHandle createButtonFaceBrush() override;
    void deleteBrush(BrushHandle brush) override;
    bool createProgressWindow(const std::u16string& title, int x, int y, int width,
                              int height) override;
    void setProgressPosition(unsigned percent) override;
    void destroyProgressWindow() override;
    void raiseToTop(TopWindow window) override;
    TopWindow foregroundWindow() override;
    void showWindow(TopWindow window) override;
    void enterProtectedWrite() override;
    void leaveProtectedWrite() override;

    // The text of a control as last set (template text before that).
    const std::u16string& controlText(int controlId) const;
    // The progress window while it exists, else nullptr.
    QProgressBar* progressWindow() const { return progress_.get(); }
    std::size_t brushesCreated() const { return brushesCreated_; }
    std::size_t liveBrushes() const { return liveBrushes_.size(); }

  private:
    QWidget* topWidget(TopWindow window) const;

    UpdaterDialog& dialog_;
    NotificationSource& notifications_;
    bool notifying_ = false;
    std::map<int, std::u16string> texts_;
    CloseBlocker closeBlocker_;
    std::unique_ptr<QProgressBar> progress_;
    std::set<BrushHandle> liveBrushes_;
    std::size_t brushesCreated_ = 0;
};

}  // namespace talo::qt
