#include "platform/linux/hid/linux_hid_platform.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "device/clock.h"
#include "device/commands.h"
#include "device/session.h"
#include "platform/linux/hid/sysfs_hidraw_lister.h"
#include "tests/linux/hid/fake_hidraw_ops.h"
#include "tests/linux/hid/fake_sysfs.h"

namespace talo {
namespace {

using linuxhid::FakeHidrawOps;
using Bytes = std::vector<std::uint8_t>;

// Output report 1 with 59 data bytes, input report 2 with 43: lengths 60 and 44.
const Bytes kUnitDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x85, 0x01,
    0x95, 0x3B, 0x09, 0x01, 0x91, 0x02, 0x85, 0x02, 0x95, 0x2B, 0x09, 0x01, 0x81, 0x02, 0xC0,
};

// 8 data bytes each way, no report ids.
const Bytes kUnnumberedDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95,
    0x08, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0,
};

// openSession looks for the maker's vendor id; any other id stands for a foreign device.
const std::uint16_t kVendor = makerVendorId();
const std::uint16_t kOtherVendor = static_cast<std::uint16_t>(makerVendorId() ^ 0x8000);

std::string hidId(std::uint16_t vendor, std::uint16_t product) {
    char text[32];
    std::snprintf(text, sizeof text, "0003:%08X:%08X", vendor, product);
    return text;
}

class LinuxHidPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { sysfs_.makeEmptySystem(); }

    // A hidraw node known to sysfs (with its HID_ID) and to the fake kernel.
    void plug(int number, std::uint16_t vendor, std::uint16_t product, Bytes descriptor,
              int openError = 0, const std::string& serial = {}) {
        const std::string name = "hidraw" + std::to_string(number);
        sysfs_.addHidraw(name, hidId(vendor, product), serial);
        FakeHidrawOps::Node node;
        node.descriptor = std::move(descriptor);
        node.vendorId = vendor;
        node.productId = product;
        node.openError = openError;
        ops_.add("/dev/" + name, node);
    }

    std::vector<std::u16string> listed() {
        std::vector<std::u16string> paths;
        EXPECT_TRUE(platform_.listInterfaces(paths));
        return paths;
    }

    HidHandle openListed(std::size_t index) {
        const std::vector<std::u16string> paths = listed();
        return index < paths.size() ? platform_.open(paths[index]) : kInvalidHidHandle;
    }

    linuxhid::FakeSysfs sysfs_;
    FakeHidrawOps ops_;
    linuxhid::SysfsHidrawLister lister_{sysfs_.root(), "/dev"};
    LinuxHidPlatform platform_{lister_, ops_};
};

TEST_F(LinuxHidPlatformTest, SerialNumberIsTheParentsHidUniqWhereItHasOne) {
    plug(0, kVendor, 1, kUnitDescriptor, 0, "TP-0042");
    plug(1, kVendor, 1, kUnitDescriptor);
    const HidHandle named = openListed(0);
    const HidHandle unnamed = openListed(1);
    std::u16string serial;
    EXPECT_TRUE(platform_.serialNumber(named, serial));
    EXPECT_EQ(serial, u"TP-0042");
    EXPECT_FALSE(platform_.serialNumber(unnamed, serial));
}

TEST_F(LinuxHidPlatformTest, DeviceWithoutReportIdsIsFramedWithZeroIdByte) {
    plug(0, kVendor, 1, kUnnumberedDescriptor);
    const HidHandle handle = openListed(0);
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(::send(ops_.peer("/dev/hidraw0"), data.data(), data.size(), 0), 8);

    Bytes buffer(9, 0xEE);
    ASSERT_TRUE(platform_.readReport(handle, buffer.data(), buffer.size(), 1000));

    EXPECT_EQ(buffer, (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(LinuxHidPlatformTest, LateAnswerAfterTimeoutIsNotTakenForTheNextAnswer) {
    plug(0, kVendor, 1, kUnitDescriptor);
    const HidHandle handle = openListed(0);
    const int device = ops_.peer("/dev/hidraw0");
    Bytes request(60, 0);
    request[0] = 0x01;
    Bytes answer(44, 0);

    ASSERT_TRUE(platform_.writeReport(handle, request.data(), request.size()));
    EXPECT_FALSE(platform_.readReport(handle, answer.data(), answer.size(), 20));
    EXPECT_EQ(platform_.lastError(), static_cast<std::uint32_t>(ETIMEDOUT));
    const Bytes late = {0x02, 0xAA};
    ASSERT_EQ(::send(device, late.data(), late.size(), 0), 2);

    ASSERT_TRUE(platform_.writeReport(handle, request.data(), request.size()));
    const Bytes fresh = {0x02, 0xBB};
    ASSERT_EQ(::send(device, fresh.data(), fresh.size(), 0), 2);
    ASSERT_TRUE(platform_.readReport(handle, answer.data(), answer.size(), 1000));

    EXPECT_EQ(answer[1], 0xBB);
    EXPECT_EQ(platform_.lastError(), 0u);
}

TEST_F(LinuxHidPlatformTest, RefusedUnitRaisesThePermissionHintUntilTheNextEnumeration) {
    plug(0, kVendor, 1, kUnitDescriptor, EACCES);
    plug(1, kVendor, 2, kUnitDescriptor, EPERM);

    EXPECT_EQ(openListed(0), kInvalidHidHandle);
    EXPECT_TRUE(platform_.sawUnitWithoutPermission());
    listed();
    EXPECT_FALSE(platform_.sawUnitWithoutPermission());
    EXPECT_EQ(openListed(1), kInvalidHidHandle);
    EXPECT_TRUE(platform_.sawUnitWithoutPermission());
}

TEST_F(LinuxHidPlatformTest, NoPermissionHintForOtherDevicesOrOtherFailures) {
    plug(0, kOtherVendor, 1, kUnitDescriptor, EACCES);  // someone else's device
    plug(1, kVendor, 3, kUnitDescriptor, EACCES);       // the maker's, not a unit
    plug(2, kVendor, 1, kUnitDescriptor, EBUSY);        // a unit, failing otherwise
    plug(3, kVendor, 2, kUnitDescriptor);               // a unit that opens

    for (std::size_t index = 0; index < 4; ++index) {
        openListed(index);
        EXPECT_FALSE(platform_.sawUnitWithoutPermission()) << "hidraw" << index;
    }
}

// Plays a unit in normal mode without a controller: answers one Identify request.
void answerIdentify(int device) {
    pollfd waiting{device, POLLIN, 0};
    if (::poll(&waiting, 1, 5000) != 1) {
        return;
    }
    Bytes request(256);
    const ssize_t size = ::recv(device, request.data(), request.size(), 0);
    if (size != 60 || request[0] != 0x01 || request[1] != 0x08) {
        return;  // no answer: the session's read times out and the test fails
    }
    Bytes answer(44, 0);
    answer[0] = 0x02;
    answer[4] = 0x01;  // attached type 1: no update-capable controller
    answer[8] = 0x07;  // unit firmware version 7
    ::send(device, answer.data(), answer.size(), 0);
}

TEST_F(LinuxHidPlatformTest, OpenSessionIdentifiesTheUnitThroughHidraw) {
    plug(0, kOtherVendor, 1, kUnnumberedDescriptor);
    plug(1, kVendor, 2, kUnitDescriptor);
    std::thread unit;
    ops_.onOpen = [&unit](const std::string& devnode, int peer) {
        if (devnode == "/dev/hidraw1") {
            unit = std::thread(answerIdentify, peer);
        }
    };
    SteadyClock clock;
    DeviceLink link{platform_, clock};
    DeviceSession session;

    const std::int32_t result = openSession(link, session);
    if (unit.joinable()) {
        unit.join();
    }

    EXPECT_EQ(result, 0);
    EXPECT_EQ(ops_.opened(), (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1"}));
    EXPECT_EQ(session.devicePath, std::u16string(u"/dev/hidraw1"));
    EXPECT_EQ(session.productId, 2);
    EXPECT_EQ(session.outputReportLength, 60u);
    EXPECT_EQ(session.inputReportLength, 44u);
    EXPECT_EQ(session.attachedType, 1);
    EXPECT_EQ(session.unitFirmwareVersion, 7u);
    closeSession(link, session);
}

TEST_F(LinuxHidPlatformTest, UnitClaimedByAnotherProgramIsBusyAndHearsNothing) {
    plug(0, kVendor, 1, kUnitDescriptor);
    std::thread unit;
    ops_.onOpen = [&unit](const std::string&, int peer) {
        unit = std::thread(answerIdentify, peer);  // the writing program's unit only
    };
    SteadyClock clock;
    DeviceLink writer{platform_, clock};
    DeviceSession writing;
    const std::int32_t opened = openSession(writer, writing);
    unit.join();
    ops_.onOpen = nullptr;
    ASSERT_EQ(opened, 0);
    ASSERT_TRUE(platform_.claim(writing.handle, UnitClaim::Exclusive));

    LinuxHidPlatform otherProgram{lister_, ops_};
    DeviceLink other{otherProgram, clock};
    DeviceSession session;
    EXPECT_EQ(openSession(other, session), kResultUnitBusy);

    std::uint8_t heard[64];
    EXPECT_LE(::recv(ops_.peer("/dev/hidraw0"), heard, sizeof heard, MSG_DONTWAIT), 0);
    EXPECT_FALSE(session.isOpen());
    closeSession(writer, writing);
}

}  // namespace
}  // namespace talo
