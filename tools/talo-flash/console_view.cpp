#include "console_view.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "interrupt_guard.h"
#include "resources/messages.h"
#include "text_output.h"
#include "ui/message_text.h"
#include "ui/update_texts.h"
#include "update_monitor.h"

namespace talo::flash {
namespace {

bool isYes(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // German answers too: the question itself is German.
    return answer == "y" || answer == "yes" || answer == "j" || answer == "ja";
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

UpdatePhase phaseOf(UpdateStep step) {
    switch (step) {
        case UpdateStep::Unprotect:
            return UpdatePhase::Unprotect;
        case UpdateStep::Erase:
            return UpdatePhase::Erase;
        case UpdateStep::SetWriteAddress:
            return UpdatePhase::SetWriteAddress;
        case UpdateStep::Write:
            return UpdatePhase::Write;
        case UpdateStep::Restore:
            return UpdatePhase::Restore;
        default:
            break;
    }
    return UpdatePhase::Lock;
}

}  // namespace

int CatalogueMessages::loadString(std::uint16_t id, char16_t* buffer, int capacity) {
    return loadCatalogueString(id, buffer, capacity);
}

ConsoleView::ConsoleView(Console& console, bool assumeYes, bool quiet)
    : console_(console), assumeYes_(assumeYes), quiet_(quiet) {
    resetSession(found_);
}

void ConsoleView::situationFound(Readiness outcome, std::int32_t openResult,
                                 const DeviceSession& session) {
    outcome_ = outcome;
    openResult_ = openResult;
    found_ = session;
}

void ConsoleView::showGuidance(Guidance guidance) {
    guidance_ = guidanceText(messages_, guidance);
}

void ConsoleView::noticeIncompatible() {
    notice_ = ShownBox{loadMessage(messages_, kMsgIncompatibleCaption),
                       incompatibleNoticeText(messages_)};
}

bool ConsoleView::confirmOverwrite() {
    if (presetAnswer_) {
        return *presetAnswer_;
    }
    const std::u16string caption = loadMessage(messages_, kMsgDowngradeCaption);
    const std::u16string text = loadMessage(messages_, kMsgDowngradeText);
    const bool yes = ask(text, caption);
    question_ = ShownBox{caption, text, yes};
    return yes;
}

void ConsoleView::writeBegins() {
    beginCriticalStretch();
    if (writeHook_) {
        writeHook_();
    }
}

void ConsoleView::writeEnds() {
    endCriticalStretch();
}

void ConsoleView::stepBegins(UpdateStep step) {
    if (monitor_ != nullptr) {
        monitor_->onPhase(phaseOf(step));
    }
}

void ConsoleView::progressAdvanced(unsigned percent, std::size_t bytesWritten,
                                   std::size_t totalBytes) {
    if (percentHook_ && lastPercent_ != percent) {
        lastPercent_ = percent;
        percentHook_(percent);
    }
    if (monitor_ != nullptr) {
        monitor_->onBlockWritten(bytesWritten, totalBytes);
    }
}

void ConsoleView::updateFailed(UpdateStep step, std::int32_t result, std::uint32_t systemError) {
    failureCode_ = FailureCode{step, result, systemError};
    failure_ = ShownBox{loadMessage(messages_, kMsgUpdateFailedCaption),
                        failureText(messages_, step, result, systemError)};
    if (!quiet_) {
        beforeOutput();
        console_.err << toTerminalText(failure_->caption) << '\n'
                     << toTerminalText(failure_->text) << '\n'
                     << std::flush;
    }
    updateEndText_ = loadMessage(messages_, kMsgUpdateAborted);
    if (monitor_ != nullptr) {
        monitor_->onPhase(UpdatePhase::Failed);
    }
}

void ConsoleView::updateSucceeded() {
    succeeded_ = true;
    updateEndText_ = loadMessage(messages_, kMsgUpdateSucceeded);
    if (monitor_ != nullptr) {
        monitor_->onPhase(UpdatePhase::Succeeded);
    }
}

void ConsoleView::beforeOutput() {
    if (beforeOutput_) {
        beforeOutput_();
    }
}

// Yes only on an explicit answer: the question guards an irreversible overwrite.
bool ConsoleView::ask(const std::u16string& text, const std::u16string& caption) {
    beforeOutput();
    std::ostream& stream = quiet_ ? console_.err : console_.out;
    stream << toTerminalText(caption) << '\n' << toTerminalText(text) << '\n';
    if (assumeYes_) {
        stream << "[y/N] y (--yes)\n" << std::flush;
        return true;
    }
    if (!console_.inIsTerminal) {
        stream << "[y/N] n (no terminal to answer; --yes accepts)\n" << std::flush;
        return false;
    }
    stream << "[y/N] " << std::flush;
    std::string line;
    if (!std::getline(console_.in, line)) {
        stream << '\n' << std::flush;
        return false;
    }
    return isYes(trimmed(line));
}

}  // namespace talo::flash
