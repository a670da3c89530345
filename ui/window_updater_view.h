#pragma once

#include "ui/window_ops.h"
#include "update/updater_view.h"

namespace talo {

// The readiness evaluation and the update shown in the main window: the "Update" button, the
// status pane, the version panel, the message boxes and the progress window, through the
// window operations and in the order the window has always made them.
class WindowUpdaterView final : public UpdaterView {
  public:
    explicit WindowUpdaterView(WindowOps& window) : window_(window) {}

    void offerUpdate(bool offered) override;
    void showGuidance(Guidance guidance) override;
    void showVersions(const DeviceSession& session) override;
    void noticeIncompatible() override;
    bool confirmOverwrite() override;
    void writeBegins() override;
    void writeEnds() override;
    void progressBegins() override;
    void progressAdvanced(unsigned percent, std::size_t bytesWritten,
                          std::size_t totalBytes) override;
    void progressEnds() override;
    void updateFailed(UpdateStep step, std::int32_t result, std::uint32_t systemError) override;
    void updateSucceeded() override;

    // True while the window last told the user that another program is writing the unit (as
    // guidance, or as the reason an update could not start): the unit is worth evaluating
    // again once that program has let go of it.
    bool waitingForBusyUnit() const { return waitingForBusyUnit_; }

  private:
    void keepInFront();

    WindowOps& window_;
    TopWindow remembered_ = TopWindow::Other;  // foreground window once the loop took it
    bool waitingForBusyUnit_ = false;
};

}  // namespace talo
