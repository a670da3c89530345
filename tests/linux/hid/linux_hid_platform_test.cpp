#include "platform/linux/hid/linux_hid_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>

#include <chrono>
#include <thread>

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
const Bytes kUnitDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00,
                               0x26, 0xFF, 0x00, 0x85, 0x01, 0x95, 0x3B, 0x09, 0x01, 0x91, 0x02,
                               0x85, 0x02, 0x95, 0x2B, 0x09, 0x01, 0x81, 0x02, 0xC0};
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

// Plays a unit in normal mode without a controller: answers one Identify request.
void answerIdentify(int device) {
    pollfd waiting{device, POLLIN, 0};
    Bytes request(256);
    if (::poll(&waiting, 1, 5000) != 1 || ::recv(device, request.data(), request.size(), 0) != 60 ||
        request[0] != 0x01 || request[1] != 0x08) {
        return;  // no answer: the session's read times out and the test fails
    }
    Bytes answer(44, 0);
    answer[0] = 0x02;
    answer[4] = 0x01;  // attached type 1: no update-capable controller
    answer[8] = 0x07;  // unit firmware version 7
    ::send(device, answer.data(), answer.size(), 0);
}

TEST_F(LinuxHidPlatformTest, OpenSessionPassesOverForeignDevicesAndIdentifiesTheUnit) {
    ops.add("/dev/hidraw0", node(kUnnumbered, kOtherVendor, 1));
    ops.add("/dev/hidraw1", node(kUnitDescriptor, kVendor, 2));
    std::vector<std::thread> devices;  // a closed foreign device's thread ends at once
    ops.onOpen = [&devices](const std::string&, int end) {
        devices.emplace_back(answerIdentify, end);
    };
    SteadyClock clock;
    DeviceLink link{platform, clock};
    DeviceSession session;

    EXPECT_EQ(openSession(link, session), 0);

    for (std::thread& thread : devices) {
        thread.join();
    }
    EXPECT_EQ(ops.opened(), (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1"}));
    EXPECT_EQ(session.devicePath, u"/dev/hidraw1");
    EXPECT_EQ(session.productId, 2);
    EXPECT_EQ(session.outputReportLength, 60u);
    EXPECT_EQ(session.inputReportLength, 44u);
    EXPECT_EQ(session.unitFirmwareVersion, 7u);
    closeSession(link, session);
}

// Claims are flocks on the node, shared by every program: shared ones coexist, an exclusive one
// stands alone, and a closed handle's claim ends with it. The first handle is descriptor 0, as
// for a program started with stdin closed: a device like any other.
TEST_F(LinuxHidPlatformTest, ClaimsFollowTheLockRulesAcrossProgramsAndEndWithTheirHandle) {
    const int stdinCopy = ::dup(0);
    ::close(0);
    const HidHandle first = add({node(kUnitDescriptor, kVendor, 1)})[0];
    LinuxHidPlatform otherProgram{ops, ops};
    const HidHandle second = otherProgram.open(paths[0]);
    EXPECT_EQ(first, 0u);

    EXPECT_TRUE(platform.claim(first, UnitClaim::Shared));
    EXPECT_TRUE(otherProgram.claim(second, UnitClaim::Shared));
    EXPECT_FALSE(otherProgram.claim(second, UnitClaim::Exclusive));
    platform.releaseClaim(first);
    EXPECT_TRUE(otherProgram.claim(second, UnitClaim::Exclusive));
    EXPECT_FALSE(platform.claim(first, UnitClaim::Shared));
    otherProgram.close(second);
    std::uint8_t byte = 0;
    EXPECT_EQ(::recv(device(0), &byte, 1, MSG_DONTWAIT), 0);  // second's end hung up
    otherProgram.close(second);                               // a second close is harmless
    EXPECT_TRUE(platform.claim(first, UnitClaim::Exclusive));

    EXPECT_FALSE(otherProgram.claim(second, UnitClaim::Shared));
    std::uint32_t length = 0;
    EXPECT_FALSE(otherProgram.reportLengths(second, length, length));
    EXPECT_FALSE(otherProgram.writeReport(second, &byte, 1));
    EXPECT_EQ(otherProgram.lastError(), static_cast<std::uint32_t>(EBADF));
    EXPECT_FALSE(otherProgram.readReport(second, &byte, 1, 0));
    EXPECT_EQ(otherProgram.lastError(), static_cast<std::uint32_t>(EBADF));
    platform.close(first);
    ::dup2(stdinCopy, 0);
    ::close(stdinCopy);
}

TEST_F(LinuxHidPlatformTest, SerialNumberIsTheOneListedForTheHandlesNode) {
    std::vector<HidHandle> handles =
        add({node(kUnitDescriptor, kVendor, 1, 0, "TP-0042"), node(kUnitDescriptor, kVendor, 1),
             node(kUnitDescriptor, kVendor, 1, 0, "\xFF")});
    handles.push_back(kInvalidHidHandle);
    const std::u16string serials[] = {u"TP-0042", u"", u"", u""};  // none, not UTF-8, no handle
    for (std::size_t i = 0; i < handles.size(); ++i) {
        std::u16string serial;
        EXPECT_EQ(platform.serialNumber(handles[i], serial), !serials[i].empty()) << i;
        EXPECT_EQ(serial, serials[i]) << i;
    }
}

TEST_F(LinuxHidPlatformTest, ReportsKeepEveryByteAndTheIdByteAndLateAnswersAreDropped) {
    const std::vector<HidHandle> handles =
        add({node(kUnnumbered, kVendor, 1), node(kUnitDescriptor, kVendor, 1),
             node({}, kVendor, 1)});  // unreadable descriptor
    std::uint32_t length = 0;
    EXPECT_FALSE(platform.reportLengths(handles[2], length, length));
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

    const std::size_t opened = ops.opened().size();
    EXPECT_EQ(platform.open(std::u16string(u"/dev/hidraw3\0x", 14)), kInvalidHidHandle);
    EXPECT_EQ(ops.opened().size(), opened);
}

}  // namespace
}  // namespace talo
