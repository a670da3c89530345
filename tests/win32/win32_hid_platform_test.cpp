#include "platform/win32/win32_hid_platform.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/win32/counting_hid_calls.h"
#include "tests/win32/counting_wait.h"

namespace talo::win32 {
namespace {

class Win32HidPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { calls.interfaces = {L"\\\\?\\hid#vid_845e&pid_0001#1", L""}; }

    // Every temporary the layer obtained has been given back.
    void expectNothingHeld() const {
        EXPECT_TRUE(calls.heldLists.empty());
        EXPECT_TRUE(calls.heldEvents.empty());
        EXPECT_TRUE(calls.heldCapabilities.empty());
    }

    testing::CountingHidCalls calls;
    Win32HidPlatform hid{calls};
    std::array<std::uint8_t, 65> report{};
    const HidHandle device = 0x40;
};

TEST_F(Win32HidPlatformTest, ListsPresentInterfacesInOrderSkippingThoseWithoutDetail) {
    calls.interfaces.push_back(L"\\\\?\\hid#vid_1209&pid_0002#7");
    std::vector<std::u16string> paths;

    ASSERT_TRUE(hid.listInterfaces(paths));

    EXPECT_EQ(calls.requestedFlags, 0x12u);
    EXPECT_EQ(paths, (std::vector<std::u16string>{u"\\\\?\\hid#vid_845e&pid_0001#1",
                                                  u"\\\\?\\hid#vid_1209&pid_0002#7"}));
    expectNothingHeld();
}

TEST_F(Win32HidPlatformTest, ListFailsWhenTheSystemGivesNoList) {
    calls.listAvailable = false;
    std::vector<std::u16string> paths{u"stale"};

    EXPECT_FALSE(hid.listInterfaces(paths));
    EXPECT_TRUE(paths.empty());
    expectNothingHeld();
}

TEST_F(Win32HidPlatformTest, ReportLengthsReleaseTheCapabilityDataWhetherOrNotCapsAreRead) {
    std::uint32_t input = 0;
    std::uint32_t output = 0;
    ASSERT_TRUE(hid.reportLengths(device, input, output));
    EXPECT_EQ(input, 65u);
    EXPECT_EQ(output, 64u);

    calls.capsSucceed = false;
    EXPECT_FALSE(hid.reportLengths(device, input, output));
    expectNothingHeld();

    calls.preparsedSucceeds = false;
    EXPECT_FALSE(hid.reportLengths(device, input, output));
}

TEST_F(Win32HidPlatformTest, WriteSucceedsWhenTheStackReportsOneByteLess) {
    calls.completedBytes = 63;

    EXPECT_TRUE(hid.writeReport(device, report.data(), 64));
    EXPECT_EQ(hid.lastError(), 0u);
    expectNothingHeld();
}

TEST_F(Win32HidPlatformTest, FailedTransferKeepsTheSystemErrorCode) {
    calls.startError = ERROR_DEVICE_NOT_CONNECTED;
    EXPECT_FALSE(hid.writeReport(device, report.data(), 64));
    EXPECT_EQ(hid.lastError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));

    calls.startError = ERROR_IO_PENDING;
    calls.completionResult = FALSE;
    calls.completionError = ERROR_GEN_FAILURE;
    EXPECT_FALSE(hid.readReport(device, report.data(), 65, 5000));
    EXPECT_EQ(hid.lastError(), static_cast<std::uint32_t>(ERROR_GEN_FAILURE));
    expectNothingHeld();
}

TEST_F(Win32HidPlatformTest, TimedOutReadIsCancelledAndAwaitedBeforeItFails) {
    calls.waitResult = WAIT_TIMEOUT;

    EXPECT_FALSE(hid.readReport(device, report.data(), 65, 5000));

    EXPECT_EQ(calls.cancelCalls, 1);
    EXPECT_TRUE(calls.waitedForCancellation);
    EXPECT_EQ(hid.lastError(), static_cast<std::uint32_t>(WAIT_TIMEOUT));
    expectNothingHeld();
}

TEST_F(Win32HidPlatformTest, ShortReadLeavesNoEarlierBytesBehind) {
    report.fill(0xAA);
    calls.completedBytes = 10;

    ASSERT_TRUE(hid.readReport(device, report.data(), 65, 5000));

    EXPECT_EQ(report[9], 0xAA);
    EXPECT_EQ(report[10], 0x00);
    EXPECT_EQ(report[64], 0x00);
}

// A named pipe stands in for the device: the real calls open it for overlapped transfers.
TEST(Win32HidSystemCalls, TransfersWaitThroughTheGivenWait) {
    testing::CountingWait wait;
    const auto calls = makeSystemHidCalls(wait);
    Win32HidPlatform hid(*calls);
    HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\talo-transfer-wait", PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE, 1, 64, 64, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const HidHandle device = hid.open(u"\\\\.\\pipe\\talo-transfer-wait");
    ASSERT_NE(device, kInvalidHidHandle);
    std::array<std::uint8_t, 8> report{};

    EXPECT_FALSE(hid.readReport(device, report.data(), report.size(), 20));  // nothing comes
    EXPECT_EQ(wait.waits, 1);
    hid.close(device);
    CloseHandle(pipe);
}

}  // namespace
}  // namespace talo::win32
