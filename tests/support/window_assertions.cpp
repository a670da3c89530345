#include "tests/support/window_assertions.h"

#include <string_view>

#include "resources/messages.h"
#include "ui/message_ids.h"

namespace talo::test {
namespace {

::testing::AssertionResult paneEquals(const RecordingWindow& window,
                                      const std::u16string& expected) {
    const std::u16string shown = window.statusText();
    if (shown == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "status pane shows\n  " << printable(shown)
                                         << "\nexpected\n  " << printable(expected);
}

}  // namespace

::testing::AssertionResult showsGuidance(const RecordingWindow& window, std::uint16_t situation) {
    const std::u16string_view text = catalogueText(situation);
    if (text.empty()) {
        return ::testing::AssertionFailure() << "no message " << situation;
    }
    std::u16string expected(text);
    expected += u"\r\n\r\n";
    expected += catalogueText(kMsgInstructions);
    return paneEquals(window, expected);
}

::testing::AssertionResult showsMessageAlone(const RecordingWindow& window, std::uint16_t id) {
    const std::u16string_view text = catalogueText(id);
    if (text.empty()) {
        return ::testing::AssertionFailure() << "no message " << id;
    }
    return paneEquals(window, std::u16string(text));
}

::testing::AssertionResult logContainsInOrder(const std::vector<std::string>& log,
                                              std::initializer_list<std::string> expected) {
    auto position = log.begin();
    for (const std::string& wanted : expected) {
        while (position != log.end() && *position != wanted) {
            ++position;
        }
        if (position == log.end()) {
            auto failure = ::testing::AssertionFailure();
            failure << "\"" << wanted << "\" not found in order; the log is:";
            for (const std::string& entry : log) {
                failure << "\n  " << entry;
            }
            return failure;
        }
        ++position;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace talo::test
