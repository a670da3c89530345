#include "platform/win32/unit_claim.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/win32_hid_platform.h"
#include "tests/win32/counting_hid_calls.h"

namespace talo::win32 {
namespace {

// Claims are machine-wide: each test process claims paths of its own.
std::u16string devicePath(const char16_t* prefix) {
    std::u16string path(prefix);
    for (DWORD id = GetCurrentProcessId(); id != 0; id /= 16) {
        path += static_cast<char16_t>(u'a' + id % 16);
    }
    return path;
}
const std::u16string kPath = devicePath(u"\\\\?\\hid#vid_1209&pid_0001#7&2f0&0&0000#az");
const std::u16string kSamePathOtherCase =
    devicePath(u"\\\\?\\HID#VID_1209&PID_0001#7&2F0&0&0000#AZ");
const std::u16string kOtherPath = devicePath(u"\\\\?\\hid#vid_1209&pid_0002#7&2f0&0&0000#");

// Claims through the real named mutexes; the device handles are fakes.
class UnitClaimTest : public ::testing::Test {
  protected:
    HidHandle open(const std::u16string& path) { return hid.open(path); }

    testing::CountingHidCalls calls;
    Win32HidPlatform hid{calls};
};

TEST_F(UnitClaimTest, ClaimsThroughTwoHandlesOfThisProgram) {
    struct Case {
        UnitClaim first;
        std::u16string secondPath;
        UnitClaim second;
        bool secondGranted;
    };
    const Case cases[] = {
        {UnitClaim::Shared, kPath, UnitClaim::Shared, true},
        {UnitClaim::Shared, kPath, UnitClaim::Exclusive, false},
        {UnitClaim::Exclusive, kPath, UnitClaim::Shared, false},
        {UnitClaim::Exclusive, kSamePathOtherCase, UnitClaim::Exclusive, false},
        {UnitClaim::Exclusive, kOtherPath, UnitClaim::Exclusive, true},
    };
    for (const Case& c : cases) {
        const HidHandle first = open(kPath);
        const HidHandle second = open(c.secondPath);
        ASSERT_TRUE(hid.claim(first, c.first));
        EXPECT_EQ(hid.claim(second, c.second), c.secondGranted)
            << static_cast<int>(c.first) << " then " << static_cast<int>(c.second);
        hid.close(first);
        hid.close(second);
    }
}

TEST_F(UnitClaimTest, SharedClaimBecomesExclusiveOnlyWithoutOtherClaims) {
    const HidHandle first = open(kPath);
    const HidHandle second = open(kPath);
    ASSERT_TRUE(hid.claim(first, UnitClaim::Shared));
    ASSERT_TRUE(hid.claim(second, UnitClaim::Shared));
    EXPECT_FALSE(hid.claim(first, UnitClaim::Exclusive));

    hid.releaseClaim(second);
    EXPECT_TRUE(hid.claim(first, UnitClaim::Exclusive));
    EXPECT_FALSE(hid.claim(second, UnitClaim::Shared));
}

TEST_F(UnitClaimTest, ClosingAHandleEndsItsClaim) {
    const HidHandle first = open(kPath);
    ASSERT_TRUE(hid.claim(first, UnitClaim::Exclusive));
    hid.close(first);

    EXPECT_TRUE(hid.claim(open(kSamePathOtherCase), UnitClaim::Exclusive));
}

// Another thread stands for another program: the mutex belongs to the thread that took it.
TEST_F(UnitClaimTest, ClaimHeldByAnotherThreadIsRefusedUntilItEnds) {
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE letGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE mutex = acquireUnitClaim(kSamePathOtherCase, 0);
        SetEvent(taken);
        WaitForSingleObject(letGo, INFINITE);
        releaseUnitClaim(mutex);
    });
    WaitForSingleObject(taken, INFINITE);
    const HidHandle device = open(kPath);

    EXPECT_FALSE(hid.claim(device, UnitClaim::Exclusive));
    SetEvent(letGo);
    holder.join();
    EXPECT_TRUE(hid.claim(device, UnitClaim::Exclusive));
    CloseHandle(taken);
    CloseHandle(letGo);
}

TEST_F(UnitClaimTest, SharedClaimWaitsForABriefHolder) {
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE mutex = acquireUnitClaim(kPath, 0);
        SetEvent(taken);
        Sleep(100);
        releaseUnitClaim(mutex);
    });
    WaitForSingleObject(taken, INFINITE);

    EXPECT_TRUE(hid.claim(open(kPath), UnitClaim::Shared));
    holder.join();
    CloseHandle(taken);
}

// Another program's write lasts half a minute: a shared claim does not wait for it, whether
// the writer claimed the unit for the write at once or after identifying it.
TEST_F(UnitClaimTest, SharedClaimDoesNotWaitForAnotherProgramsWrite) {
    for (const bool afterIdentifying : {false, true}) {
        HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE letGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread writer([&] {
            testing::CountingHidCalls writerCalls;
            Win32HidPlatform writerHid(writerCalls);
            const HidHandle device = writerHid.open(kSamePathOtherCase);
            if (afterIdentifying) {
                writerHid.claim(device, UnitClaim::Shared);
            }
            writerHid.claim(device, UnitClaim::Exclusive);
            SetEvent(taken);
            WaitForSingleObject(letGo, INFINITE);
        });
        WaitForSingleObject(taken, INFINITE);
        const HidHandle device = open(kPath);

        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(hid.claim(device, UnitClaim::Shared));
        EXPECT_LT(GetTickCount64() - start, 250u) << afterIdentifying;
        SetEvent(letGo);
        writer.join();
        EXPECT_TRUE(hid.claim(device, UnitClaim::Shared));
        hid.close(device);
        CloseHandle(taken);
        CloseHandle(letGo);
    }
}

// A program that ended without letting go leaves the mutex abandoned: the claim is free.
TEST_F(UnitClaimTest, AbandonedClaimIsTakenOver) {
    std::thread([] { acquireUnitClaim(kPath, 0); }).join();

    EXPECT_TRUE(hid.claim(open(kPath), UnitClaim::Exclusive));
}

}  // namespace
}  // namespace talo::win32
