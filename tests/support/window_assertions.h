#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/recording_window.h"

namespace talo::test {

// The status pane shows the situation message, a blank line and the numbered instructions.
::testing::AssertionResult showsGuidance(const RecordingWindow& window, std::uint16_t situation);

// The status pane shows exactly the catalogue text of `id`, with nothing appended.
::testing::AssertionResult showsMessageAlone(const RecordingWindow& window, std::uint16_t id);

// `expected` occurs in `log` in this order, other entries allowed in between.
::testing::AssertionResult logContainsInOrder(const std::vector<std::string>& log,
                                              std::initializer_list<std::string> expected);

}  // namespace talo::test
