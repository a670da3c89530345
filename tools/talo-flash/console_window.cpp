#include "console_window.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "resources/messages.h"
#include "text_output.h"

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

}  // namespace

ConsoleWindow::ConsoleWindow(Console& console, bool assumeYes, bool quiet)
    : console_(console), assumeYes_(assumeYes), quiet_(quiet) {}

std::u16string ConsoleWindow::controlText(int controlId) const {
    const auto found = texts_.find(controlId);
    return found == texts_.end() ? std::u16string() : found->second;
}

bool ConsoleWindow::controlEnabled(int controlId) const {
    const auto found = enabled_.find(controlId);
    return found != enabled_.end() && found->second;
}

void ConsoleWindow::setControlText(int controlId, const std::u16string& text) {
    texts_[controlId] = text;
}

int ConsoleWindow::controlTextLength(int controlId) {
    return static_cast<int>(controlText(controlId).size());
}

int ConsoleWindow::getControlText(int controlId, char16_t* buffer, int capacity) {
    if (buffer == nullptr || capacity < 1) {
        return 0;
    }
    const std::u16string text = controlText(controlId);
    const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.data(), copied, buffer);
    buffer[copied] = u'\0';
    return static_cast<int>(copied);
}

void ConsoleWindow::enableControl(int controlId, bool enabled) {
    enabled_[controlId] = enabled;
}

int ConsoleWindow::loadString(std::uint16_t id, char16_t* buffer, int capacity) {
    return loadCatalogueString(id, buffer, capacity);
}

int ConsoleWindow::messageBox(const std::u16string& text, const std::u16string& caption,
                              MessageBoxKind kind) {
    if (kind == MessageBoxKind::WarningYesNo) {
        const int answer = ask(text, caption);
        question_ = ShownBox{caption, text, kind, answer};
        return answer;
    }
    const ShownBox box{caption, text, kind, kAnswerOk};
    (kind == MessageBoxKind::Error ? lastError_ : notice_) = box;
    if (!quiet_) {
        if (beforeOutput_) {
            beforeOutput_();
        }
        std::ostream& stream = kind == MessageBoxKind::Error ? console_.err : console_.out;
        stream << toTerminalText(caption) << '\n' << toTerminalText(text) << '\n' << std::flush;
    }
    return kAnswerOk;
}

// Yes only on an explicit answer: the question guards an irreversible overwrite.
int ConsoleWindow::ask(const std::u16string& text, const std::u16string& caption) {
    if (beforeOutput_) {
        beforeOutput_();
    }
    std::ostream& stream = quiet_ ? console_.err : console_.out;
    stream << toTerminalText(caption) << '\n' << toTerminalText(text) << '\n';
    if (assumeYes_) {
        stream << "[y/N] y (--yes)\n" << std::flush;
        return kAnswerYes;
    }
    if (!console_.inIsTerminal) {
        stream << "[y/N] n (no terminal to answer; --yes accepts)\n" << std::flush;
        return kAnswerNo;
    }
    stream << "[y/N] " << std::flush;
    std::string line;
    if (!std::getline(console_.in, line)) {
        stream << '\n' << std::flush;
        return kAnswerNo;
    }
    return isYes(trimmed(line)) ? kAnswerYes : kAnswerNo;
}

}  // namespace talo::flash
