#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <tuple>

#include "platform/win32/unit_claim.h"
#include "platform/win32/win32_hid_platform.h"
#include "tests/win32/win32_fakes.h"

namespace talo::win32 {
namespace {

class Win32HidPlatformTest : public ::testing::Test {
  protected:
    testing::FakeHidCalls calls;
    Win32HidPlatform hid{calls};
    const HidHandle device = hid.open(u"\\\\?\\hid#1");
};

TEST_F(Win32HidPlatformTest, ListsThePresentInterfacesThatHaveAPathInOrder) {
    calls.interfaces = {L"\\\\?\\hid#vid_845e&pid_0001#1", L"", L"\\\\?\\hid#vid_1209#7"};
    std::vector<std::u16string> paths{u"stale"};
    ASSERT_TRUE(hid.listInterfaces(paths));
    EXPECT_EQ(paths, (std::vector<std::u16string>{u"\\\\?\\hid#vid_845e&pid_0001#1",
                                                  u"\\\\?\\hid#vid_1209#7"}));
    EXPECT_EQ(calls.requestedFlags, static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));

    calls.listAvailable = false;
    EXPECT_FALSE(hid.listInterfaces(paths));
    EXPECT_TRUE(paths.empty());
    EXPECT_TRUE(calls.held.empty());
}

TEST_F(Win32HidPlatformTest, AttributesAndReportLengthsReleaseTheCapabilitiesInEveryOutcome) {
    std::uint16_t vendor = 0, product = 0;
    std::uint32_t input = 0, output = 0;
    ASSERT_TRUE(hid.attributes(device, vendor, product));
    ASSERT_TRUE(hid.reportLengths(device, input, output));
    EXPECT_EQ((std::array<unsigned, 4>{vendor, product, input, output}),
              (std::array<unsigned, 4>{0x1209, 0x4711, 65, 64}));
    calls.capsSucceed = false;
    EXPECT_FALSE(hid.reportLengths(device, input, output));
    calls.preparsedSucceeds = false;
    EXPECT_FALSE(hid.reportLengths(device, input, output));
    EXPECT_TRUE(calls.held.empty());
}

// Only a failed call fails a transfer (HID stacks report one byte less for numbered reports);
// a wait that ends without the answer cancels the transfer and waits for the cancellation, so
// nothing writes into the buffer later. Reads clear what the answer did not fill.
TEST_F(Win32HidPlatformTest, TransfersSucceedOnlyWhenTheCallDoes) {
    using Transfer = testing::FakeHidCalls::Transfer;
    const std::tuple<Transfer, DWORD, std::string> cases[] = {
        // error, trace after the start
        {{ERROR_IO_PENDING, WAIT_OBJECT_0, 0}, 0, ""},
        {{0, WAIT_OBJECT_0, 0}, 0, ""},
        {{ERROR_DEVICE_NOT_CONNECTED}, ERROR_DEVICE_NOT_CONNECTED, ""},
        {{ERROR_IO_PENDING, WAIT_OBJECT_0, ERROR_GEN_FAILURE}, ERROR_GEN_FAILURE, ""},
        {{ERROR_IO_PENDING, WAIT_TIMEOUT}, WAIT_TIMEOUT, "cW"},
        {{ERROR_IO_PENDING, WAIT_FAILED}, ERROR_INVALID_HANDLE, "cW"},
        {{ERROR_IO_PENDING, WAIT_TIMEOUT, 0, TRUE}, 0, "cW"},  // completed just before the cancel
    };
    for (const auto& [transfer, error, trace] : cases) {
        calls.transfer = transfer;
        for (const char direction : {'w', 'r'}) {
            SCOPED_TRACE(direction + trace + " " + std::to_string(error));
            std::array<std::uint8_t, 65> report;
            report.fill(0xAA);
            calls.trace.clear();
            EXPECT_EQ(direction == 'w' ? hid.writeReport(device, report.data(), 64)
                                       : hid.readReport(device, report.data(), 65, 5000),
                      error == 0);
            EXPECT_EQ(hid.lastError(), error);
            EXPECT_EQ(calls.trace, direction + trace);
            // A read clears what the answer (10 bytes here) did not fill.
            const std::uint8_t rest = error == 0 && direction == 'r' ? 0 : 0xAA;
            EXPECT_EQ((std::array{report[9], report[10], report[64]}),
                      (std::array<std::uint8_t, 3>{0xAA, rest, rest}));
            EXPECT_TRUE(calls.held.empty());
        }
    }
}

// A named pipe stands in for the device: the real calls open it for overlapped transfers.
TEST(Win32HidSystemCalls, TransfersWaitThroughTheGivenWait) {
    testing::CountingWait wait;
    const auto calls = makeSystemHidCalls(wait);
    Win32HidPlatform hid(*calls);
    HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\talo-transfer-wait", PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE, 1, 64, 64, 0, nullptr);
    const HidHandle device = hid.open(u"\\\\.\\pipe\\talo-transfer-wait");
    ASSERT_NE(device, kInvalidHidHandle);
    std::array<std::uint8_t, 8> report{};
    EXPECT_FALSE(hid.readReport(device, report.data(), report.size(), 20));  // nothing comes
    EXPECT_EQ(hid.lastError(), static_cast<std::uint32_t>(WAIT_TIMEOUT));
    EXPECT_EQ(wait.waits, 1);
    hid.close(device);
    CloseHandle(pipe);
}

// Claims are machine-wide named mutexes: each test process claims paths of its own.
const std::string kProcess = std::to_string(GetCurrentProcessId());
const std::u16string kId(kProcess.begin(), kProcess.end());
const std::u16string kPath = u"\\\\?\\hid#vid_1209&pid_0001#az" + kId;
const std::u16string kSameOtherCase = u"\\\\?\\HID#VID_1209&PID_0001#AZ" + kId;
const std::u16string kOtherPath = u"\\\\?\\hid#vid_1209&pid_0002#" + kId;

using UnitClaimTest = Win32HidPlatformTest;

TEST_F(UnitClaimTest, ClaimsThroughTwoHandlesOfThisProgram) {
    // the first handle's claim, the second handle's path and claim, granted
    const std::tuple<UnitClaim, std::u16string, UnitClaim, bool> cases[] = {
        {UnitClaim::Shared, kPath, UnitClaim::Shared, true},
        {UnitClaim::Shared, kPath, UnitClaim::Exclusive, false},
        {UnitClaim::Exclusive, kPath, UnitClaim::Shared, false},
        {UnitClaim::Exclusive, kSameOtherCase, UnitClaim::Exclusive, false},
        {UnitClaim::Exclusive, kOtherPath, UnitClaim::Exclusive, true},
    };
    for (const auto& [firstClaim, secondPath, secondClaim, granted] : cases) {
        const HidHandle first = hid.open(kPath);
        const HidHandle second = hid.open(secondPath);
        ASSERT_TRUE(hid.claim(first, firstClaim));
        EXPECT_EQ(hid.claim(second, secondClaim), granted)
            << static_cast<int>(firstClaim) << " then " << static_cast<int>(secondClaim);
        hid.close(first);
        hid.close(second);
    }
}

TEST_F(UnitClaimTest, SharedClaimBecomesExclusiveOnlyWithoutOtherClaimsAndEndsWithItsHandle) {
    const HidHandle first = hid.open(kPath);
    const HidHandle second = hid.open(kPath);
    ASSERT_TRUE(hid.claim(first, UnitClaim::Shared));
    ASSERT_TRUE(hid.claim(second, UnitClaim::Shared));
    EXPECT_FALSE(hid.claim(first, UnitClaim::Exclusive));
    hid.releaseClaim(second);
    EXPECT_TRUE(hid.claim(first, UnitClaim::Exclusive));
    EXPECT_FALSE(hid.claim(second, UnitClaim::Shared));
    hid.close(first);
    EXPECT_TRUE(hid.claim(second, UnitClaim::Exclusive));
}

// Another program's write lasts half a minute: no shared claim waits for it, whether the writer
// claimed the unit for the write at once or after identifying it. A second platform on this
// thread stands for the writer: the mutex would let this thread in, the write marker does not.
TEST_F(UnitClaimTest, SharedClaimIsRefusedWhileAnotherProgramWrites) {
    for (const bool afterIdentifying : {false, true}) {
        Win32HidPlatform writer(calls);
        const HidHandle writing = writer.open(kSameOtherCase);
        ASSERT_TRUE(!afterIdentifying || writer.claim(writing, UnitClaim::Shared));
        ASSERT_TRUE(writer.claim(writing, UnitClaim::Exclusive));
        EXPECT_FALSE(hid.claim(hid.open(kPath), UnitClaim::Shared)) << afterIdentifying;
        writer.close(writing);
        EXPECT_TRUE(hid.claim(hid.open(kPath), UnitClaim::Shared)) << afterIdentifying;
    }
}

// Another program, played by a thread (a mutex belongs to the thread that took it), holds the
// unit for 100 ms and ends without letting go, which leaves the mutex abandoned: free.
TEST_F(UnitClaimTest, ClaimHeldElsewhereIsRefusedButASharedClaimWaitsForABriefHolder) {
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        acquireUnitClaim(kSameOtherCase, 0);
        SetEvent(taken);
        Sleep(100);
    });
    WaitForSingleObject(taken, INFINITE);
    const HidHandle unit = hid.open(kPath);
    EXPECT_FALSE(hid.claim(unit, UnitClaim::Exclusive));
    EXPECT_TRUE(hid.claim(unit, UnitClaim::Shared));
    other.join();
    CloseHandle(taken);
}

}  // namespace
}  // namespace talo::win32
