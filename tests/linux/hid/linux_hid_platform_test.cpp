#include "platform/linux/hid/linux_hid_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>

#include <chrono>
#include <tuple>

#include "device/session.h"
#include "platform/linux/hid/report_transfer.h"
#include "tests/linux/hid/fake_hidraw_ops.h"

namespace talo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using linuxhid::FakeHidrawOps;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Output report 1 with 59 data bytes, input report 2 with 43: lengths 60 and 44.
const Bytes kUnitDescriptor = {0x75, 0x08, 0x85, 0x01, 0x95, 0x3B, 0x91,
                               0x02, 0x85, 0x02, 0x95, 0x2B, 0x81, 0x02};
const Bytes kUnnumbered = {0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0x91, 0x02};  // 8 bytes each way
const std::uint16_t kVendor = makerVendorId();
const auto kOtherVendor = static_cast<std::uint16_t>(kVendor ^ 1);

FakeHidrawOps::Node node(const Bytes& descriptor, std::uint16_t vendor, std::uint16_t product,
                         int openError = 0, const char* serial = "") {
    return {descriptor, vendor, product, openError, serial};
}

class LinuxHidPlatformTest : public ::testing::Test {
  protected:
    // Lists the nodes as /dev/hidraw<index> and opens each.
    std::vector<HidHandle> add(const std::vector<FakeHidrawOps::Node>& nodes) {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            ops.add("/dev/hidraw" + std::to_string(i), nodes[i]);
        }
        EXPECT_TRUE(platform.listInterfaces(paths));
        std::vector<HidHandle> handles;
        for (const std::u16string& path : paths) {
            handles.push_back(platform.open(path));
        }
        return handles;
    }
    int device(int index) { return ops.peer("/dev/hidraw" + std::to_string(index)); }
    void deviceSends(int index, const Bytes& report) {
        ::send(device(index), report.data(), report.size(), 0);
    }
    Bytes read(HidHandle handle, std::size_t length, std::uint32_t timeoutMs, int error = 0) {
        Bytes buffer(length, 0xEE);
        EXPECT_EQ(platform.readReport(handle, buffer.data(), length, timeoutMs), error == 0);
        EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(error));
        return buffer;
    }

    FakeHidrawOps ops;
    LinuxHidPlatform platform{ops, ops};
    std::vector<std::u16string> paths = {u"stale"};
};

// Ids from the node, lengths from its report descriptor, the serial its listing gave.
TEST_F(LinuxHidPlatformTest, HandlesTellTheirNodesIdsReportLengthsAndSerial) {
    std::vector<HidHandle> handles =
        add({node(kUnitDescriptor, kVendor, 2, 0, "TP-0042"), node(kUnnumbered, kOtherVendor, 1),
             node({}, kVendor, 1, 0, "\xFF")});
    handles.push_back(kInvalidHidHandle);
    // vendor, product, input and output length, serial: 0 or empty where refused
    using Facts =
        std::tuple<std::uint16_t, std::uint16_t, std::uint32_t, std::uint32_t, std::u16string>;
    const Facts cases[] = {{kVendor, 2, 44, 60, u"TP-0042"},
                           {kOtherVendor, 1, 9, 9, u""},
                           {kVendor, 1, 0, 0, u""},  // unreadable descriptor, serial not UTF-8
                           {0, 0, 0, 0, u""}};
    for (std::size_t i = 0; i < handles.size(); ++i) {
        Facts got;
        auto& [vendor, product, in, out, serial] = got;
        EXPECT_EQ(platform.attributes(handles[i], vendor, product), std::get<0>(cases[i]) != 0);
        EXPECT_EQ(platform.reportLengths(handles[i], in, out), std::get<2>(cases[i]) != 0) << i;
        EXPECT_EQ(platform.serialNumber(handles[i], serial), !std::get<4>(cases[i]).empty()) << i;
        EXPECT_EQ(got, cases[i]) << i;
    }
}

// Claims are flocks on the node (the kernel's rules: KernelLockTest) and end with their handle.
// The first handle is descriptor 0, as for a program started with stdin closed.
TEST_F(LinuxHidPlatformTest, ClaimsLockTheNodeUntilReleasedOrClosed) {
    const int stdinCopy = ::dup(0);
    ::close(0);
    const HidHandle first = add({node(kUnitDescriptor, kVendor, 1)})[0];
    const HidHandle second = platform.open(paths[0]);
    EXPECT_EQ(first, 0u);
    EXPECT_TRUE(platform.claim(first, UnitClaim::Shared));
    EXPECT_TRUE(platform.claim(second, UnitClaim::Shared));
    EXPECT_FALSE(platform.claim(second, UnitClaim::Exclusive));
    platform.releaseClaim(first);
    EXPECT_TRUE(platform.claim(second, UnitClaim::Exclusive));
    platform.close(second);
    EXPECT_TRUE(platform.claim(first, UnitClaim::Exclusive));

    platform.releaseClaim(second);
    EXPECT_FALSE(platform.claim(second, UnitClaim::Shared));
    std::uint32_t length = 0;
    std::uint8_t byte = 0;
    EXPECT_FALSE(platform.reportLengths(second, length, length));
    EXPECT_FALSE(platform.writeReport(second, &byte, 1));
    EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(EBADF));
    read(second, 1, 0, EBADF);
    platform.close(first);
    ::dup2(stdinCopy, 0);
    ::close(stdinCopy);
}

TEST_F(LinuxHidPlatformTest, ReportsKeepEveryByteAndTheIdByteAndLateAnswersAreDropped) {
    const std::vector<HidHandle> handles =
        add({node(kUnnumbered, kVendor, 1), node(kUnitDescriptor, kVendor, 1),
             node({}, kVendor, 1)});  // unreadable descriptor
    // hidraw drops a leading 0 id itself; a zero data byte behind it must still arrive.
    const Bytes request = {0x00, 0x00, 0x07, 0x00};
    errno = EINTR;  // left over from earlier calls: no reason to write or read again
    ASSERT_TRUE(platform.writeReport(handles[0], request.data(), request.size()));
    Bytes arrived(8);
    arrived.resize(static_cast<std::size_t>(::recv(device(0), arrived.data(), 8, 0)));
    EXPECT_EQ(arrived, request);
    EXPECT_FALSE(platform.writeReport(handles[0], request.data(), 0));
    EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(EINVAL));

    const struct {
        int node;
        Bytes sent;
        Bytes read;
    } cases[] = {
        {0, {1, 2}, {0, 1, 2, 0}},           // no id byte on the wire: a 0 in front, padded
        {0, {1, 2, 3, 4, 5}, {0, 1, 2, 3}},  // cut
        {1, {2, 3}, {2, 3, 0, 0}},
        {2, {1, 2}, {1, 2, 0, 0}},  // layout unknown: taken as it comes
    };
    for (const auto& c : cases) {
        deviceSends(c.node, c.sent);
        errno = EINTR;
        EXPECT_EQ(read(handles[static_cast<std::size_t>(c.node)], 4, 1000), c.read) << c.node;
    }
    read(handles[0], 1, 0, EINVAL);  // no room behind the id byte
    const int directory = ::open("/", O_RDONLY);
    EXPECT_EQ(linuxhid::writeReportTo(directory, request.data(), request.size()), EBADF);
    EXPECT_EQ(linuxhid::readReportFrom(directory, true, arrived.data(), 1, 0, {}), EISDIR);
    ::close(directory);

    ASSERT_TRUE(platform.writeReport(handles[1], request.data(), request.size()));
    read(handles[1], 4, 20, ETIMEDOUT);
    deviceSends(1, {0x02, 0xAA});  // the late answers
    deviceSends(1, {0x02});
    ASSERT_TRUE(platform.writeReport(handles[1], request.data(), request.size()));
    deviceSends(1, {0x02, 0xBB});
    EXPECT_EQ(read(handles[1], 2, 1000), (Bytes{0x02, 0xBB}));
}

TEST_F(LinuxHidPlatformTest, WaitServicesTheCallerAndEndsOnAnswerTimeLimitOrHangUp) {
    const HidHandle unit = add({node(kUnitDescriptor, kVendor, 1)})[0];
    int calls = 0;
    platform.setWaitService([&] {
        if (++calls == 3) {
            deviceSends(0, {0x02, 0x33});
        }
    });
    auto start = steady_clock::now();
    EXPECT_EQ(read(unit, 2, 5000), (Bytes{0x02, 0x33}));
    EXPECT_EQ(calls, 3);
    EXPECT_LT(steady_clock::now() - start, milliseconds(1000));

    // A signal during the wait (SIGALRM after 30 ms, its handler without SA_RESTART) does not
    // end it early, with or without the service.
    struct sigaction onAlarm {};
    onAlarm.sa_handler = [](int) {};
    ::sigaction(SIGALRM, &onAlarm, nullptr);
    for (const bool serviced : {false, true}) {
        calls = 0;
        platform.setWaitService(serviced ? std::function<void()>([&] { ++calls; }) : nullptr);
        const itimerval alarm{{0, 0}, {0, 30'000}};
        ::setitimer(ITIMER_REAL, &alarm, nullptr);
        start = steady_clock::now();
        read(unit, 2, 80, ETIMEDOUT);
        EXPECT_GE(steady_clock::now() - start, milliseconds(80));
        EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
        EXPECT_GE(calls, serviced ? 5 : 0);
    }

    ::shutdown(device(0), SHUT_RDWR);  // the device is gone
    read(unit, 2, 1000, ENODEV);
}

TEST_F(LinuxHidPlatformTest, OnlyAListedUnitRefusedForWantOfRightsRaisesThePermissionHint) {
    add({node(kUnitDescriptor, kOtherVendor, 1, EACCES), node(kUnitDescriptor, kVendor, 3, EACCES),
         node(kUnitDescriptor, kVendor, 1, EBUSY), node(kUnitDescriptor, kVendor, 2),
         node(kUnitDescriptor, kVendor, 1, EACCES), node(kUnitDescriptor, kVendor, 2, EPERM)});
    ASSERT_TRUE(platform.listInterfaces(paths));
    // Not the maker's; the maker's but not a unit; a unit failing otherwise; a unit that opens.
    for (std::size_t index = 0; index < paths.size(); ++index) {
        EXPECT_EQ(platform.open(paths[index]) == kInvalidHidHandle, index != 3) << index;
        EXPECT_EQ(platform.sawUnitWithoutPermission(), index >= 4) << index;
        platform.listInterfaces(paths);  // every enumeration starts afresh
        EXPECT_FALSE(platform.sawUnitWithoutPermission());
    }
    ops.listWorks = false;
    EXPECT_FALSE(platform.listInterfaces(paths));
    EXPECT_EQ(platform.open(u"/dev/hidraw4"), kInvalidHidHandle);
    EXPECT_FALSE(platform.sawUnitWithoutPermission());  // no longer a listed unit
    EXPECT_EQ(platform.open(std::u16string(u"/dev/hidraw3\0x", 14)), kInvalidHidHandle);
}

}  // namespace
}  // namespace talo
