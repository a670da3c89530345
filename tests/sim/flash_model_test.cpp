#include <gtest/gtest.h>

#include "sim/sim_errors.h"
#include "sim_unit_fixture.h"

namespace talo::sim::test {
namespace {

using FlashModelTest = SimUnitTest;

TEST_F(FlashModelTest, FullWriteLeavesFlashHoldingExactlyTheWrittenBytes) {
    ASSERT_NO_FATAL_FAILURE(prepareForWriting());
    const auto first = block(48, 1);
    const auto second = block(56, 2);
    const auto last = block(32, 3);
    ASSERT_TRUE(IsAccepted(writeBlock(first)));
    ASSERT_TRUE(IsAccepted(writeBlock(second)));
    ASSERT_TRUE(IsAccepted(writeBlock(last)));

    std::vector<std::uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(unit().flash.contents, expected);
    EXPECT_EQ(unit().flash.bytesWritten, expected.size());
}

TEST_F(FlashModelTest, WriteIsRefusedUntilEveryPreconditionHolds) {
    const auto data = block(48, 9);
    EXPECT_TRUE(IsUnitError(writeBlock(data), kUnitErrorNotLocked));
    ASSERT_TRUE(IsAccepted(lock(true)));
    EXPECT_TRUE(IsUnitError(writeBlock(data), kUnitErrorWriteProtected));
    ASSERT_TRUE(IsAccepted(protect(false)));
    ASSERT_TRUE(IsAccepted(setAddress()));
    EXPECT_TRUE(IsUnitError(writeBlock(data), kUnitErrorNotErased));
    ASSERT_TRUE(IsAccepted(erase()));
    EXPECT_TRUE(IsUnitError(writeBlock(data), kUnitErrorNoWriteAddress));

    EXPECT_TRUE(unit().flash.contents.empty());
    EXPECT_EQ(unit().flash.bytesWritten, 0u);
}

TEST_F(FlashModelTest, EraseNeedsLockClearedProtectionAndConfirmationWord) {
    EXPECT_TRUE(IsUnitError(erase(), kUnitErrorNotLocked));
    ASSERT_TRUE(IsAccepted(lock(true)));
    EXPECT_TRUE(IsUnitError(erase(), kUnitErrorWriteProtected));
    ASSERT_TRUE(IsAccepted(protect(false)));
    EXPECT_TRUE(IsUnitError(erase(kConfirmationWord ^ 1), kUnitErrorBadConfirmation));
    EXPECT_FALSE(unit().flash.erased);

    EXPECT_TRUE(IsAccepted(erase()));
    EXPECT_TRUE(unit().flash.erased);
}

TEST_F(FlashModelTest, SetWriteAddressNeedsConfirmationWord) {
    EXPECT_TRUE(IsUnitError(setAddress(0), kUnitErrorBadConfirmation));
    EXPECT_FALSE(unit().flash.writeAddressSet);
}

TEST_F(FlashModelTest, SecondEraseDiscardsTheFirstRunAndWantsANewAddress) {
    ASSERT_NO_FATAL_FAILURE(prepareForWriting());
    ASSERT_TRUE(IsAccepted(writeBlock(block(48, 1))));
    ASSERT_TRUE(IsAccepted(erase()));
    EXPECT_TRUE(IsUnitError(writeBlock(block(48, 2)), kUnitErrorNoWriteAddress));

    ASSERT_TRUE(IsAccepted(setAddress()));
    ASSERT_TRUE(IsAccepted(writeBlock(block(48, 2))));
    EXPECT_EQ(unit().flash.contents, block(48, 2));
}

TEST_F(FlashModelTest, SwitchCommandsEchoTheStateTheUnitNowHolds) {
    EXPECT_EQ(lock(true).at(3), 1);
    // Protection cannot change without the lock: the echo still says protected.
    ASSERT_TRUE(IsAccepted(lock(false)));
    const auto refused = protect(false);
    EXPECT_TRUE(IsUnitError(refused, kUnitErrorNotLocked));
    EXPECT_EQ(refused.at(3), 1);
    EXPECT_TRUE(unit().flash.writeProtect);
}

TEST_F(FlashModelTest, UnitWithoutControllerRefusesFlashCommands) {
    plugUnit(makeUnit(Situation::NoController));
    ASSERT_TRUE(IsAccepted(lock(true)));
    EXPECT_TRUE(IsUnitError(protect(false), kUnitErrorNoController));
    EXPECT_TRUE(IsUnitError(erase(), kUnitErrorNoController));
    EXPECT_TRUE(
        IsUnitError(exchange(request(kCmdReadControllerIdentity, 0)), kUnitErrorNoController));
}

}  // namespace
}  // namespace talo::sim::test
