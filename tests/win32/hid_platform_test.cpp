#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/win32/hid_system_calls.h"
#include "platform/win32/unit_claim.h"
#include "platform/win32/waitable_timer_clock.h"
#include "platform/win32/win32_hid_platform.h"

namespace talo::win32 {
namespace {

// A scripted HID stack. It hands out numbered fake handles, keeps every list, capability block
// and event in `held` until it is given back, and writes the transfer calls into `trace`:
// w/r a write or read started, c cancelled, W waited for the cancellation.
class FakeHidCalls final : public HidSystemCalls {
  public:
    std::vector<std::wstring> interfaces;  // by path; an empty one has no detail data
    bool listAvailable = true, preparsedSucceeds = true, capsSucceed = true;
    // How transfers go: started at once when startError is 0, else pending with
    // ERROR_IO_PENDING or failed; the wait's result; how they complete, or end when cancelled.
    struct Transfer {
        DWORD startError = ERROR_IO_PENDING, wait = WAIT_OBJECT_0, completionError = 0;
        BOOL afterCancel = FALSE;
    } transfer;
    std::set<HANDLE> held;
    std::string trace;

    void getHidGuid(GUID&) override {}
    HDEVINFO getClassDevs(const GUID&, DWORD) override {
        return listAvailable ? take() : fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    BOOL enumDeviceInterfaces(HDEVINFO, const GUID&, DWORD index,
                              SP_DEVICE_INTERFACE_DATA& data) override {
        data.Reserved = index;
        return index < interfaces.size() ? TRUE : fail(ERROR_NO_MORE_ITEMS, FALSE);
    }
    BOOL getInterfaceDetail(HDEVINFO, SP_DEVICE_INTERFACE_DATA& data,
                            SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                            DWORD* requiredSize) override {
        const std::wstring& path = interfaces.at(data.Reserved);
        // Like the system's: the size counts the record's header and the path's terminator.
        const auto needed =
            static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                               (path.size() + 1) * sizeof(wchar_t));
        if (path.empty() || size < needed) {
            *requiredSize = path.empty() ? 0 : needed;
            return fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
        }
        std::copy_n(path.c_str(), path.size() + 1, detail->DevicePath);
        return TRUE;
    }
    BOOL destroyDeviceInfoList(HDEVINFO list) override { return giveBack(list); }
    HANDLE openDevice(const wchar_t*) override { return next(); }
    BOOL closeHandle(HANDLE handle) override { return giveBack(handle); }
    BOOLEAN getAttributes(HANDLE, HIDD_ATTRIBUTES& attributes) override {
        attributes.VendorID = 0x1209;
        attributes.ProductID = 0x4711;
        return TRUE;
    }
    BOOLEAN getPreparsedData(HANDLE, PHIDP_PREPARSED_DATA& data) override {
        data = reinterpret_cast<PHIDP_PREPARSED_DATA>(preparsedSucceeds ? take() : nullptr);
        return preparsedSucceeds;
    }
    NTSTATUS getCaps(PHIDP_PREPARSED_DATA, HIDP_CAPS& caps) override {
        caps.InputReportByteLength = 65;
        caps.OutputReportByteLength = 64;
        return capsSucceed ? HIDP_STATUS_SUCCESS : HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    BOOLEAN freePreparsedData(PHIDP_PREPARSED_DATA data) override { return giveBack(data); }
    HANDLE createEvent() override { return take(); }
    BOOL writeFile(HANDLE, const void*, DWORD, OVERLAPPED&) override { return start('w'); }
    BOOL readFile(HANDLE, void*, DWORD, OVERLAPPED&) override { return start('r'); }
    DWORD waitForSingleObject(HANDLE, DWORD) override {
        return transfer.wait == WAIT_FAILED ? fail(ERROR_INVALID_HANDLE, WAIT_FAILED)
                                            : transfer.wait;
    }
    BOOL cancelIoEx(HANDLE, OVERLAPPED&) override {
        trace += 'c';
        return TRUE;
    }
    BOOL getOverlappedResult(HANDLE, OVERLAPPED&, DWORD& transferred, BOOL wait) override {
        const bool cancelled = trace.back() == 'c';
        trace += cancelled && wait ? "W" : "";
        transferred = 10;
        lastError_ = cancelled ? ERROR_OPERATION_ABORTED : transfer.completionError;
        return cancelled ? transfer.afterCancel : transfer.completionError == ERROR_SUCCESS;
    }
    DWORD getLastError() override { return lastError_; }

  private:
    HANDLE next() { return reinterpret_cast<HANDLE>(++counter_ * 16); }
    HANDLE take() { return *held.insert(next()).first; }
    bool giveBack(void* handle) { return held.erase(handle) == 1; }
    template <typename T>
    T fail(DWORD error, T result) {
        lastError_ = error;
        return result;
    }
    BOOL start(char direction) {
        trace += direction;
        return transfer.startError == 0 ? TRUE : fail(transfer.startError, FALSE);
    }

    std::uintptr_t counter_ = 0;
    DWORD lastError_ = 0;
};

class Win32HidPlatformTest : public ::testing::Test {
  protected:
    FakeHidCalls calls;
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
    std::uint16_t vendor = 0, product = 0;
    std::uint32_t input = 0, output = 0;
    ASSERT_TRUE(hid.attributes(device, vendor, product));
    ASSERT_TRUE(hid.reportLengths(device, input, output));
    EXPECT_EQ((std::array<unsigned, 4>{vendor, product, input, output}),
              (std::array<unsigned, 4>{0x1209, 0x4711, 65, 64}));

    calls.listAvailable = calls.capsSucceed = false;
    EXPECT_FALSE(hid.listInterfaces(paths));
    EXPECT_FALSE(hid.reportLengths(device, input, output));
    calls.preparsedSucceeds = false;
    EXPECT_FALSE(hid.reportLengths(device, input, output));
    EXPECT_TRUE(calls.held.empty());
}

// Only a failed call fails a transfer (HID stacks report one byte less for numbered reports);
// a wait that ends without the answer cancels the transfer and waits for the cancellation, so
// nothing writes into the buffer later. Reads clear what the answer did not fill.
TEST_F(Win32HidPlatformTest, TransfersSucceedOnlyWhenTheCallDoes) {
    using Transfer = FakeHidCalls::Transfer;
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
            std::vector<std::uint8_t> report(65, 0xAA);
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

// Only the lower bound is a test: the unit's fixed pacing must never be cut short; how much
// longer a pause takes depends on the machine's load.
TEST(WaitableTimerClock, PausesAreNeverShorterThanAsked) {
    WaitableTimerClock clock(plainObjectWait());
    for (const std::uint32_t ms : {0U, 1U, 2U, 20U}) {
        const std::uint64_t start = clock.nowMicros();
        clock.sleepMs(ms);
        EXPECT_GE(clock.nowMicros() - start, std::uint64_t{ms} * 1000U) << ms << " ms";
    }
}

}  // namespace
}  // namespace talo::win32
