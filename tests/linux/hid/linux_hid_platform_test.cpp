#include "platform/linux/hid/linux_hid_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <tuple>

#include "device/session.h"
#include "platform/linux/hid/report_transfer.h"
#include "tests/linux/hid/fake_hidraw_ops.h"

namespace talo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Output report 1 with 59 data bytes, input report 2 with 43: lengths 60 and 44.
const Bytes kUnit = {0x75, 0x08, 0x85, 0x01, 0x95, 0x3B, 0x91,
                     0x02, 0x85, 0x02, 0x95, 0x2B, 0x81, 0x02};
const Bytes kUnnumbered = {0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0x91, 0x02};  // 8 bytes each way
const std::uint16_t kVendor = makerVendorId();
const auto kOtherVendor = static_cast<std::uint16_t>(kVendor ^ 1);

// Every test finds these nodes, listed as /dev/hidraw<index>.
class LinuxHidPlatformTest : public ::testing::Test {
  protected:
    LinuxHidPlatformTest() {
        const linuxhid::FakeHidrawOps::Node nodes[] = {
            {kUnit, kVendor, 2, 0, "TP-0042"},
            {kUnnumbered, kOtherVendor, 1, 0, ""},
            {{}, kVendor, 1, 0, "\xFF"},  // unreadable descriptor, serial not UTF-8
            // Refused: not a unit; a unit failing otherwise; units refused for want of rights.
            {kUnit, kOtherVendor, 1, EACCES, ""},
            {kUnit, kVendor, 1, EBUSY, ""},
            {kUnit, kVendor, 1, EACCES, ""},
            {kUnit, kVendor, 2, EPERM, ""}};
        for (std::size_t i = 0; i < std::size(nodes); ++i) {
            ops.add("/dev/hidraw" + std::to_string(i), nodes[i]);
        }
        EXPECT_TRUE(platform.listInterfaces(paths));
    }
    HidHandle open(std::size_t index) { return platform.open(paths.at(index)); }
    void deviceSends(std::size_t opened, const Bytes& report) {
        ::send(ops.peers.at(opened), report.data(), report.size(), 0);
    }
    Bytes read(HidHandle handle, std::size_t length, std::uint32_t timeoutMs, int error = 0) {
        Bytes buffer(length, 0xEE);
        EXPECT_EQ(platform.readReport(handle, buffer.data(), length, timeoutMs), error == 0);
        EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(error));
        return buffer;
    }

    linuxhid::FakeHidrawOps ops;
    LinuxHidPlatform platform{ops, ops};
    std::vector<std::u16string> paths = {u"stale"};
};

// Ids from the node, lengths from its report descriptor, the serial its listing gave; nothing
// through a closed handle.
TEST_F(LinuxHidPlatformTest, HandlesTellTheirNodesIdsReportLengthsAndSerial) {
    const HidHandle handles[] = {open(0), open(2), open(0)};
    platform.close(handles[2]);
    // vendor, product, input and output length, serial: 0 or empty where refused
    using Facts =
        std::tuple<std::uint16_t, std::uint16_t, std::uint32_t, std::uint32_t, std::u16string>;
    const Facts cases[] = {
        {kVendor, 2, 44, 60, u"TP-0042"}, {kVendor, 1, 0, 0, u""}, {0, 0, 0, 0, u""}};
    for (std::size_t i = 0; i < std::size(handles); ++i) {
        Facts got;
        auto& [vendor, product, in, out, serial] = got;
        EXPECT_EQ(platform.attributes(handles[i], vendor, product), std::get<0>(cases[i]) != 0);
        EXPECT_EQ(platform.reportLengths(handles[i], in, out), std::get<2>(cases[i]) != 0) << i;
        EXPECT_EQ(platform.serialNumber(handles[i], serial), !std::get<4>(cases[i]).empty()) << i;
        EXPECT_EQ(got, cases[i]) << i;
    }
    std::uint8_t byte = 0;
    EXPECT_FALSE(platform.writeReport(handles[2], &byte, 1));
    EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(EBADF));
    read(handles[2], 1, 0, EBADF);
}

TEST_F(LinuxHidPlatformTest, ReportsKeepEveryByteAndTheIdByteAndLateAnswersAreDropped) {
    const HidHandle handles[] = {open(1), open(0), open(2)};  // unnumbered, numbered, unknown
    // hidraw drops a leading 0 id itself; a zero data byte behind it must still arrive.
    const Bytes request = {0x00, 0x00, 0x07, 0x00};
    errno = EINTR;  // left over from earlier calls: no reason to write or read again
    ASSERT_TRUE(platform.writeReport(handles[0], request.data(), request.size()));
    Bytes arrived(8);
    arrived.resize(static_cast<std::size_t>(::recv(ops.peers[0], arrived.data(), 8, 0)));
    EXPECT_EQ(arrived, request);

    const struct {
        std::size_t handle;
        Bytes sent;
        Bytes read;
    } cases[] = {
        {0, {1, 2}, {0, 1, 2, 0}},           // no id byte on the wire: a 0 in front, padded
        {0, {1, 2, 3, 4, 5}, {0, 1, 2, 3}},  // cut
        {1, {2, 3}, {2, 3, 0, 0}},
        {2, {1, 2}, {1, 2, 0, 0}},  // layout unknown: taken as it comes
    };
    for (const auto& c : cases) {
        deviceSends(c.handle, c.sent);
        errno = EINTR;
        EXPECT_EQ(read(handles[c.handle], 4, 1000), c.read) << c.handle;
    }
    read(handles[0], 1, 0, EINVAL);  // no room behind the id byte
    const int directory = ::open("/", O_RDONLY);
    EXPECT_EQ(linuxhid::writeReportTo(directory, request.data(), request.size()), EBADF);
    EXPECT_EQ(linuxhid::readReportFrom(directory, true, arrived.data(), 1, 0, {}), EISDIR);
    ::close(directory);

    read(handles[1], 4, 20, ETIMEDOUT);
    deviceSends(1, {0x02, 0xAA});  // late answers to a request whose read gave up
    deviceSends(1, {0x02});
    ASSERT_TRUE(platform.writeReport(handles[1], request.data(), request.size()));
    deviceSends(1, {0x02, 0xBB});
    EXPECT_EQ(read(handles[1], 2, 1000), (Bytes{0x02, 0xBB}));
}

// A signal (SIGALRM after 30 ms; poll() is never restarted after a handler) does not end a wait
// early.
TEST_F(LinuxHidPlatformTest, WaitServicesTheCallerAndEndsOnAnswerTimeLimitOrHangUp) {
    const HidHandle unit = open(0);
    ::signal(SIGALRM, [](int) {});
    ::ualarm(30'000, 0);
    int calls = 0;
    platform.setWaitService([&] { ++calls; });
    const auto start = steady_clock::now();
    read(unit, 2, 80, ETIMEDOUT);
    EXPECT_GE(steady_clock::now() - start, milliseconds(80));
    EXPECT_GE(calls, 5);

    platform.setWaitService([&] { deviceSends(0, {0x02, 0x33}); });  // taken as soon as it comes
    EXPECT_EQ(read(unit, 2, 5000), (Bytes{0x02, 0x33}));
    ::shutdown(ops.peers[0], SHUT_RDWR);  // the device is gone
    read(unit, 2, 1000, ENODEV);
}

TEST_F(LinuxHidPlatformTest, OnlyAListedUnitRefusedForWantOfRightsRaisesThePermissionHint) {
    for (std::size_t index = 0; index < paths.size(); ++index) {
        EXPECT_EQ(open(index) == kInvalidHidHandle, index >= 3) << index;
        EXPECT_EQ(platform.sawUnitWithoutPermission(), index >= 5) << index;
        platform.listInterfaces(paths);  // every enumeration starts afresh
        EXPECT_FALSE(platform.sawUnitWithoutPermission());
    }
    ops.listWorks = false;
    EXPECT_FALSE(platform.listInterfaces(paths));
    EXPECT_EQ(platform.open(u"/dev/hidraw5"), kInvalidHidHandle);
    EXPECT_FALSE(platform.sawUnitWithoutPermission());  // no longer a listed unit
    EXPECT_EQ(platform.open(std::u16string(u"/dev/hidraw0\0x", 14)), kInvalidHidHandle);
}

// The kernel's calls on a real file, which takes flocks as a hidraw node does and refuses the
// hidraw ioctls. The first handle is descriptor 0, as for a program started with stdin closed.
TEST_F(LinuxHidPlatformTest, ClaimsAreFlocksOnTheNodeThatEndWithReleaseOrClose) {
    char file[] = "/tmp/talo-lock-XXXXXX";
    ::close(::mkstemp(file));
    ops.add(file, {{}, 0, 0, 0, ""});
    linuxhid::KernelHidrawOps kernel;
    LinuxHidPlatform onFile(ops, kernel);
    ASSERT_TRUE(onFile.listInterfaces(paths));
    const int stdinCopy = ::dup(0);
    ::close(0);
    errno = EINTR;  // left over from earlier calls: no reason to open or lock again
    const HidHandle first = onFile.open(paths.back());
    const HidHandle second = onFile.open(paths.back());
    ::unlink(file);
    EXPECT_EQ(first, 0u);
    using enum UnitClaim;
    errno = EINTR;
    ASSERT_TRUE(onFile.claim(first, Shared));
    EXPECT_TRUE(onFile.claim(second, Shared));
    EXPECT_FALSE(onFile.claim(second, Exclusive));
    onFile.releaseClaim(first);
    EXPECT_TRUE(onFile.claim(second, Exclusive));
    onFile.releaseClaim(second);
    ASSERT_TRUE(onFile.claim(first, Exclusive));
    onFile.close(first);
    EXPECT_TRUE(onFile.claim(second, Exclusive));  // the close ended the first one's claim
    EXPECT_FALSE(onFile.claim(first, Shared));
    ::dup2(stdinCopy, 0);
    ::close(stdinCopy);
    std::uint16_t id = 0;
    EXPECT_FALSE(onFile.attributes(second, id, id));
    int error = 0;
    EXPECT_EQ(kernel.open("/nonexistent/hidraw0", error), -1);
    EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace talo
