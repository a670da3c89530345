#include "platform/linux/hid/linux_hid_platform.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "device/commands.h"
#include "device/session.h"
#include "tests/linux/hid/fake_hidraw_ops.h"

namespace talo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Output report 1 with 59 data bytes, input report 2 with 43: lengths 60 and 44.
const Bytes kUnitDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00,
                               0x26, 0xFF, 0x00, 0x85, 0x01, 0x95, 0x3B, 0x09, 0x01, 0x91, 0x02,
                               0x85, 0x02, 0x95, 0x2B, 0x09, 0x01, 0x81, 0x02, 0xC0};
// 8 data bytes each way, no report ids.
const Bytes kUnnumberedDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95,
                                     0x08, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
const std::uint16_t kVendor = makerVendorId();
const std::uint16_t kOtherVendor = makerVendorId() ^ 0x8000;

// The listed hidraw nodes: /dev/hidraw<n> in the order added, each also known to the fake kernel.
class FakeLister final : public linuxhid::HidrawLister {
  public:
    explicit FakeLister(linuxhid::FakeHidrawOps& ops) : ops_(ops) {}
    void add(std::uint16_t vendor, std::uint16_t product, Bytes descriptor, int openError = 0,
             std::string serial = {}) {
        const std::string name = "hidraw" + std::to_string(nodes_.size());
        nodes_.push_back({name, "/dev/" + name, true, vendor, product, std::move(serial)});
        ops_.add(nodes_.back().devnode, {std::move(descriptor), vendor, product, openError});
    }
    bool list(std::vector<linuxhid::HidrawNode>& nodes) override {
        nodes = nodes_;
        return works;
    }
    bool works = true;

  private:
    linuxhid::FakeHidrawOps& ops_;
    std::vector<linuxhid::HidrawNode> nodes_;
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

class LinuxHidPlatformTest : public ::testing::Test {
  protected:
    // openSession with the unit's device answering from a thread.
    std::int32_t openUnit(DeviceSession& session) {
        std::vector<std::thread> devices;  // a closed foreign device's thread ends at once
        ops.onOpen = [&devices](const std::string&, int device) {
            devices.emplace_back(answerIdentify, device);
        };
        const std::int32_t result = openSession(link, session);
        ops.onOpen = nullptr;
        for (std::thread& device : devices) {
            device.join();
        }
        return result;
    }

    linuxhid::FakeHidrawOps ops;
    FakeLister hidraw{ops};
    LinuxHidPlatform platform{hidraw, ops};
    SteadyClock clock;
    DeviceLink link{platform, clock};
};

TEST_F(LinuxHidPlatformTest, OpenSessionPassesOverForeignDevicesAndIdentifiesTheUnit) {
    hidraw.add(kOtherVendor, 1, kUnnumberedDescriptor);
    hidraw.add(kVendor, 2, kUnitDescriptor);
    DeviceSession session;

    ASSERT_EQ(openUnit(session), 0);

    EXPECT_EQ(ops.opened(), (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1"}));
    EXPECT_EQ(session.devicePath, u"/dev/hidraw1");
    EXPECT_EQ(session.productId, 2);
    EXPECT_EQ(session.outputReportLength, 60u);
    EXPECT_EQ(session.inputReportLength, 44u);
    EXPECT_EQ(session.unitFirmwareVersion, 7u);
    closeSession(link, session);
}

TEST_F(LinuxHidPlatformTest, UnitClaimedByAnotherProgramIsBusyAndHearsNothing) {
    hidraw.add(kVendor, 1, kUnitDescriptor);
    DeviceSession writing;
    ASSERT_EQ(openUnit(writing), 0);
    ASSERT_TRUE(platform.claim(writing.handle, UnitClaim::Exclusive));

    LinuxHidPlatform otherProgram{hidraw, ops};
    DeviceLink other{otherProgram, clock};
    DeviceSession session;
    EXPECT_EQ(openSession(other, session), kResultUnitBusy);

    std::uint8_t heard[64];
    EXPECT_LE(::recv(ops.peer("/dev/hidraw0"), heard, sizeof heard, MSG_DONTWAIT), 0);
    EXPECT_FALSE(session.isOpen());
    closeSession(link, writing);
}

// Claims are flocks on the node: shared ones coexist, an exclusive one stands alone.
TEST_F(LinuxHidPlatformTest, ClaimsFollowTheLockRulesAndEndWithTheirHandle) {
    hidraw.add(kVendor, 1, kUnitDescriptor);
    std::vector<std::u16string> paths = {u"stale"};
    ASSERT_TRUE(platform.listInterfaces(paths));
    ASSERT_EQ(paths, std::vector<std::u16string>{u"/dev/hidraw0"});
    const HidHandle first = platform.open(paths[0]);
    const HidHandle second = platform.open(paths[0]);

    EXPECT_TRUE(platform.claim(first, UnitClaim::Shared));
    EXPECT_TRUE(platform.claim(second, UnitClaim::Shared));
    EXPECT_FALSE(platform.claim(second, UnitClaim::Exclusive));
    platform.releaseClaim(first);
    EXPECT_TRUE(platform.claim(second, UnitClaim::Exclusive));
    EXPECT_FALSE(platform.claim(first, UnitClaim::Shared));
    platform.close(second);
    Bytes hangUp(1);
    EXPECT_EQ(::recv(ops.peer("/dev/hidraw0"), hangUp.data(), 1, MSG_DONTWAIT), 0);  // second's end
    platform.close(second);  // a second close is harmless
    EXPECT_TRUE(platform.claim(first, UnitClaim::Exclusive));

    EXPECT_FALSE(platform.claim(second, UnitClaim::Shared));
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    EXPECT_FALSE(platform.reportLengths(second, in, out));
    EXPECT_FALSE(platform.writeReport(second, hangUp.data(), 1));
    EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(EBADF));
    EXPECT_FALSE(platform.readReport(second, hangUp.data(), 1, 0));
    EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(EBADF));
}

// Descriptor 0 is a device like any other, e.g. for a program started with stdin closed.
TEST_F(LinuxHidPlatformTest, UnitOpenedOnDescriptorZeroIsUsable) {
    hidraw.add(kVendor, 1, kUnitDescriptor);
    std::vector<std::u16string> paths;
    ASSERT_TRUE(platform.listInterfaces(paths));
    const int stdinCopy = ::dup(0);
    ::close(0);

    const HidHandle handle = platform.open(paths[0]);
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    EXPECT_EQ(handle, 0u);
    EXPECT_TRUE(platform.reportLengths(handle, in, out));
    platform.close(handle);
    if (stdinCopy >= 0) {
        ::dup2(stdinCopy, 0);
        ::close(stdinCopy);
    }
}

TEST_F(LinuxHidPlatformTest, SerialNumberIsTheOneListedForTheHandlesNode) {
    hidraw.add(kVendor, 1, kUnitDescriptor, 0, "TP-0042");
    hidraw.add(kVendor, 1, kUnitDescriptor);
    hidraw.add(kVendor, 1, kUnitDescriptor, 0, "\xFF");  // not UTF-8
    std::vector<std::u16string> paths;
    ASSERT_TRUE(platform.listInterfaces(paths));
    const struct {
        HidHandle handle;
        std::u16string serial;  // empty: none to report
    } cases[] = {{platform.open(paths[0]), u"TP-0042"},
                 {platform.open(paths[1]), u""},
                 {platform.open(paths[2]), u""},
                 {kInvalidHidHandle, u""}};
    for (const auto& c : cases) {
        std::u16string serial;
        EXPECT_EQ(platform.serialNumber(c.handle, serial), !c.serial.empty());
        EXPECT_EQ(serial, c.serial);
    }
}

TEST_F(LinuxHidPlatformTest, ReportsAreFramedWithTheIdByteAndLateAnswersAreDropped) {
    hidraw.add(kVendor, 1, kUnnumberedDescriptor);
    hidraw.add(kVendor, 1, kUnitDescriptor);
    hidraw.add(kVendor, 1, {});  // its descriptor cannot be read
    std::vector<std::u16string> paths;
    ASSERT_TRUE(platform.listInterfaces(paths));
    const HidHandle unnumbered = platform.open(paths[0]);
    const HidHandle numbered = platform.open(paths[1]);
    const HidHandle unknown = platform.open(paths[2]);
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    EXPECT_FALSE(platform.reportLengths(unknown, in, out));
    Bytes answer(9, 0xEE);
    ::send(ops.peer("/dev/hidraw2"), "\x01\x02", 2, 0);  // taken as it comes
    ASSERT_TRUE(platform.readReport(unknown, answer.data(), answer.size(), 1000));
    EXPECT_EQ(answer, (Bytes{1, 2, 0, 0, 0, 0, 0, 0, 0}));
    ::send(ops.peer("/dev/hidraw0"), "\x01\x02", 2, 0);
    ASSERT_TRUE(platform.readReport(unnumbered, answer.data(), answer.size(), 1000));
    EXPECT_EQ(answer, (Bytes{0, 1, 2, 0, 0, 0, 0, 0, 0}));

    const Bytes request(60, 0x01);
    ASSERT_TRUE(platform.writeReport(numbered, request.data(), request.size()));
    EXPECT_FALSE(platform.readReport(numbered, answer.data(), answer.size(), 20));
    EXPECT_EQ(platform.lastError(), static_cast<std::uint32_t>(ETIMEDOUT));
    ::send(ops.peer("/dev/hidraw1"), "\x02\xAA", 2, 0);  // the late answer
    ASSERT_TRUE(platform.writeReport(numbered, request.data(), request.size()));
    ::send(ops.peer("/dev/hidraw1"), "\x02\xBB", 2, 0);
    ASSERT_TRUE(platform.readReport(numbered, answer.data(), answer.size(), 1000));
    EXPECT_EQ(answer[1], 0xBB);
    EXPECT_EQ(platform.lastError(), 0u);
}

TEST_F(LinuxHidPlatformTest, OnlyAListedUnitRefusedForWantOfRightsRaisesThePermissionHint) {
    hidraw.add(kOtherVendor, 1, kUnitDescriptor, EACCES);  // someone else's device
    hidraw.add(kVendor, 3, kUnitDescriptor, EACCES);       // the maker's, not a unit
    hidraw.add(kVendor, 1, kUnitDescriptor, EBUSY);        // a unit, failing otherwise
    hidraw.add(kVendor, 2, kUnitDescriptor);               // a unit that opens
    hidraw.add(kVendor, 1, kUnitDescriptor, EACCES);
    hidraw.add(kVendor, 2, kUnitDescriptor, EPERM);
    std::vector<std::u16string> paths;
    ASSERT_TRUE(platform.listInterfaces(paths));

    for (std::size_t index = 0; index < paths.size(); ++index) {
        EXPECT_EQ(platform.open(paths[index]) == kInvalidHidHandle, index != 3) << index;
        EXPECT_EQ(platform.sawUnitWithoutPermission(), index >= 4) << index;
        platform.listInterfaces(paths);  // every enumeration starts afresh
        EXPECT_FALSE(platform.sawUnitWithoutPermission());
    }
    hidraw.works = false;
    EXPECT_FALSE(platform.listInterfaces(paths));
    EXPECT_EQ(platform.open(u"/dev/hidraw4"), kInvalidHidHandle);
    EXPECT_FALSE(platform.sawUnitWithoutPermission());  // no longer a listed unit

    const std::size_t opened = ops.opened().size();
    EXPECT_EQ(platform.open(std::u16string(u"/dev/hidraw3\0x", 14)), kInvalidHidHandle);
    EXPECT_EQ(ops.opened().size(), opened);
}

}  // namespace
}  // namespace talo
