#include <gtest/gtest.h>

#include <array>
#include <map>
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

// Interfaces without detail data are left out; whatever the system hands out is given back,
// whether the call succeeds or not.
TEST_F(Win32HidPlatformTest, ListsInterfacesWithAPathInOrderAndReadsTheirDescription) {
    calls.interfaces = {L"\\\\?\\hid#vid_845e&pid_0001#1", L"", L"\\\\?\\hid#vid_1209#7"};
    std::vector<std::u16string> paths{u"stale"};
    ASSERT_TRUE(hid.listInterfaces(paths));
    EXPECT_EQ(paths, (std::vector<std::u16string>{u"\\\\?\\hid#vid_845e&pid_0001#1",
                                                  u"\\\\?\\hid#vid_1209#7"}));
    EXPECT_EQ(calls.requestedFlags, static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    std::uint16_t vendor = 0, product = 0;
    std::uint32_t input = 0, output = 0;
    ASSERT_TRUE(hid.attributes(device, vendor, product));
    ASSERT_TRUE(hid.reportLengths(device, input, output));
    EXPECT_EQ((std::array<unsigned, 4>{vendor, product, input, output}),
              (std::array<unsigned, 4>{0x1209, 0x4711, 65, 64}));

    calls.listAvailable = calls.capsSucceed = false;
    EXPECT_FALSE(hid.listInterfaces(paths));
    EXPECT_TRUE(paths.empty());
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

// Handles a
// and b are on one unit, c on the same unit spelt in other case, d on another unit; w and v are
// a second platform's on the first unit. That platform stands for another program that writes:
// the mutex would let this thread in, its write marker does not, and a write lasts half a
// minute, so no shared claim waits for it.
TEST_F(Win32HidPlatformTest, UnitClaimsFollowThisProgramsHandlesAndOtherProgramsWrites) {
    Win32HidPlatform writer(calls);
    std::map<char, std::pair<Win32HidPlatform*, HidHandle>> handles = {
        {'a', {&hid, hid.open(kPath)}},
        {'b', {&hid, hid.open(kPath)}},
        {'c', {&hid, hid.open(kSameOtherCase)}},
        {'d', {&hid, hid.open(u"\\\\?\\hid#vid_1209&pid_0002#" + kId)}},
        {'w', {&writer, writer.open(kSameOtherCase)}},
        {'v', {&writer, writer.open(kSameOtherCase)}},
    };
    // handle, what it does (s/x claim shared/exclusive, r release, c close), the claim granted
    const std::tuple<char, char, bool> steps[] = {
        {'a', 's', true},  {'b', 's', true},   // shared claims go together
        {'a', 'x', false}, {'b', 'r', false},  // one becomes exclusive only without the other
        {'a', 'x', true},  {'b', 's', false}, {'c', 'x', false},
        {'d', 'x', true},  {'a', 'c', false}, {'b', 'x', true},  // a claim ends with its handle
        {'b', 'c', false}, {'w', 's', true},  {'w', 'x', true},  // a write after identifying
        {'c', 's', false}, {'w', 'c', false}, {'c', 's', true},
        {'c', 'r', false}, {'v', 'x', true},  {'c', 's', false},  // a write claimed at once
    };
    for (const auto& [name, action, granted] : steps) {
        const auto& [platform, handle] = handles.at(name);
        if (action == 'r' || action == 'c') {
            action == 'r' ? platform->releaseClaim(handle) : platform->close(handle);
        } else {
            EXPECT_EQ(
                platform->claim(handle, action == 'x' ? UnitClaim::Exclusive : UnitClaim::Shared),
                granted)
                << name << " " << action;
        }
    }
}

// Another program, played by a thread (a mutex belongs to the thread that took it), holds the
// unit for 100 ms and ends without letting go, which leaves the mutex abandoned: free.
TEST_F(Win32HidPlatformTest, ClaimHeldElsewhereIsRefusedButASharedClaimWaitsForABriefHolder) {
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
