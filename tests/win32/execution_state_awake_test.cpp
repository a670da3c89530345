#include "platform/win32/execution_state_awake.h"

#include <gtest/gtest.h>

namespace talo::win32 {
namespace {

// The thread's current execution state. A call without ES_CONTINUOUS leaves a continuous state
// as it is and returns it.
EXECUTION_STATE currentState() {
    return SetThreadExecutionState(0);
}

TEST(ExecutionStateAwake, AsksForTheSystemWhileHeldAndClearsOnReleaseAndDestruction) {
    {
        ExecutionStateAwake awake;
        awake.hold();
        EXPECT_EQ(currentState(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
        awake.release();
        EXPECT_EQ(currentState(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
        awake.hold();
    }
    EXPECT_EQ(currentState(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
}

}  // namespace
}  // namespace talo::win32
