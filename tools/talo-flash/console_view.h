#pragma once

#include <functional>
#include <optional>
#include <string>

#include "console.h"
#include "device/device_session.h"
#include "ui/message_source.h"
#include "update/updater_view.h"

namespace talo::flash {

class UpdateMonitor;

// A message as the console showed it: caption and text, and the answer for the question.
struct ShownBox {
    std::u16string caption;
    std::u16string text;
    bool answeredYes = false;
};

// The failing step of an update with its command result and the system's error code.
struct FailureCode {
    UpdateStep step = UpdateStep::Lock;
    std::int32_t result = 0;
    std::uint32_t systemError = 0;
};

// The built-in German catalogue.
class CatalogueMessages final : public MessageSource {
  public:
    int loadString(std::uint16_t id, char16_t* buffer, int capacity) override;
};

// The readiness evaluation and the update on a console. It keeps what a person would have seen
// in the window (the unit as found, the guidance text, the notice, the question, the failure)
// for the verbs to print or put into JSON; the failure is printed when it happens. The
// downgrade question becomes a y/N prompt, answered Yes by --yes and No when nobody can
// answer (input is not a terminal). With `quiet` (JSON output) nothing is printed but the
// prompt, which goes to stderr.
class ConsoleView final : public UpdaterView {
  public:
    ConsoleView(Console& console, bool assumeYes, bool quiet);

    // Called before anything is printed, so a progress line can be ended first.
    void setBeforeOutput(std::function<void()> hook) { beforeOutput_ = std::move(hook); }
    // The monitor that follows the update's steps and blocks; borrowed, may be null.
    void setMonitor(UpdateMonitor* monitor) { monitor_ = monitor; }
    // Called with each new whole percent of the block loop (from the updating thread).
    void setPercentHook(std::function<void(unsigned)> hook) { percentHook_ = std::move(hook); }
    // Answers the downgrade question with `yes` without showing it: it was asked before.
    void presetAnswer(bool yes) { presetAnswer_ = yes; }
    // Called when the write span begins (from the updating thread).
    void setWriteHook(std::function<void()> hook) { writeHook_ = std::move(hook); }
    void setQuiet(bool quiet) { quiet_ = quiet; }

    // The last evaluation: its outcome and the session as openSession left it.
    std::optional<Readiness> outcome() const { return outcome_; }
    std::int32_t openResult() const { return openResult_; }
    const DeviceSession& foundSession() const { return found_; }
    const std::u16string& guidance() const { return guidance_; }  // status pane text, CR LF
    // The status pane's text at the end of an update (failed or succeeded); empty before.
    const std::u16string& updateEndText() const { return updateEndText_; }
    const std::optional<ShownBox>& notice() const { return notice_; }
    const std::optional<ShownBox>& question() const { return question_; }
    const std::optional<ShownBox>& failure() const { return failure_; }
    const std::optional<FailureCode>& failureCode() const { return failureCode_; }
    bool succeeded() const { return succeeded_; }

    void situationFound(Readiness outcome, std::int32_t openResult,
                        const DeviceSession& session) override;
    void offerUpdate(bool) override {}
    void showGuidance(Guidance guidance) override;
    void showVersions(const DeviceSession&) override {}
    void noticeIncompatible() override;
    bool confirmOverwrite() override;
    // The write span holds back the signals that would end or stop the program.
    void writeBegins() override;
    void writeEnds() override;
    void stepBegins(UpdateStep step) override;
    void progressBegins() override {}
    void progressAdvanced(unsigned percent, std::size_t bytesWritten,
                          std::size_t totalBytes) override;
    void progressEnds() override {}
    void updateFailed(UpdateStep step, std::int32_t result, std::uint32_t systemError) override;
    void updateSucceeded() override;

  private:
    bool ask(const std::u16string& text, const std::u16string& caption);
    void beforeOutput();

    Console& console_;
    bool assumeYes_;
    bool quiet_;
    CatalogueMessages messages_;
    std::function<void()> beforeOutput_;
    UpdateMonitor* monitor_ = nullptr;
    std::function<void(unsigned)> percentHook_;
    std::function<void()> writeHook_;
    std::optional<unsigned> lastPercent_;
    std::optional<bool> presetAnswer_;
    std::optional<Readiness> outcome_;
    std::int32_t openResult_ = 0;
    DeviceSession found_;
    std::u16string guidance_;
    std::u16string updateEndText_;
    std::optional<ShownBox> notice_;
    std::optional<ShownBox> question_;
    std::optional<ShownBox> failure_;
    std::optional<FailureCode> failureCode_;
    bool succeeded_ = false;
};

}  // namespace talo::flash
