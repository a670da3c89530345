#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace talo::test {

// Checks that a written report starts with `expected` and is zero from there to its end.
inline ::testing::AssertionResult IsRequest(const std::vector<std::uint8_t>& report,
                                            const std::vector<std::uint8_t>& expected) {
    if (report.size() < expected.size()) {
        return ::testing::AssertionFailure() << "report has only " << report.size() << " bytes";
    }
    for (std::size_t i = 0; i < report.size(); ++i) {
        const std::uint8_t want = i < expected.size() ? expected[i] : 0;
        if (report[i] != want) {
            return ::testing::AssertionFailure() << "byte " << i << " is 0x" << std::hex
                                                 << int{report[i]} << ", expected 0x" << int{want};
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace talo::test
