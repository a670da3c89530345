#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/hidraw_ops.h"
#include "platform/linux/hid/hotplug_event.h"
#include "platform/linux/hid/hotplug_monitor.h"
#include "platform/linux/hid/sysfs_hidraw_lister.h"
#include "platform/linux/hid/udev_hidraw_lister.h"

namespace talo::linuxhid {
namespace {

namespace fs = std::filesystem;

TEST(HidIdTest, ReadsSixteenBitHexIdsOrRefusesLeavingThemAlone) {
    const struct {
        const char* uevent;
        std::uint16_t vendor;  // 0: refused
        std::uint16_t product;
    } cases[] = {
        {"DRIVER=hid-generic\nHID_ID=0003:0000FFFF:0000FFFF\nHID_NAME=x", 0xFFFF, 0xFFFF},
        {"HID_ID=0005:1209:abcd", 0x1209, 0xABCD},
        {"HID_NAME=x\n", 0, 0},
        {"XHID_ID=0003:00001209:00000001\n", 0, 0},
        {"HID_ID=1209\n", 0, 0},
        {"HID_ID=0003:00001209\n", 0, 0},
        {"HID_ID=0003:1209:zz\n", 0, 0},
        {"HID_ID=0003:12x9:0001\n", 0, 0},
        {"HID_ID=:1209:0001\n", 0, 0},
        {"HID_ID=0003::0001\n", 0, 0},
        {"HID_ID=0003:00010000:00000001\n", 0, 0},
        {"HID_ID=0003:00001209:00010000\n", 0, 0},
    };
    for (const auto& c : cases) {
        std::uint16_t vendor = 0;
        std::uint16_t product = 0;
        EXPECT_EQ(parseHidId(c.uevent, vendor, product), c.vendor != 0) << c.uevent;
        EXPECT_EQ(vendor, c.vendor) << c.uevent;
        EXPECT_EQ(product, c.product) << c.uevent;
    }
}

TEST(HidUniqTest, SerialIsTheWholeHidUniqLineOrEmpty) {
    const std::pair<const char*, const char*> cases[] = {
        {"HID_ID=0003:1209:0001\nHID_UNIQ=TP 0042:a\nHID_NAME=x", "TP 0042:a"},
        {"HID_UNIQ=last", "last"},
        {"HID_UNIQ=\nHID_NAME=x\n", ""},
        {"XHID_UNIQ=1\nHID_NAME=x\n", ""},
        {"\n\nHID_UNIQ=2\n", "2"},
        {"", ""}};
    for (const auto& [uevent, serial] : cases) {
        EXPECT_EQ(parseHidUniq(uevent), serial) << uevent;
    }
}

// A throw-away tree laid out like the hidraw part of sysfs.
class SysfsListerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = fs::temp_directory_path() / "talo-sysfs-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(root_); }

    // class/hidraw/<name>/uevent, and device/uevent of the parent hid device.
    void add(const std::string& name, const std::string& uevent, const std::string& parent) {
        const fs::path node = root_ / "class" / "hidraw" / name;
        fs::create_directories(node / "device");
        std::ofstream(node / "uevent") << uevent;
        std::ofstream(node / "device" / "uevent") << parent;
    }
    std::vector<HidrawNode> listed(bool works = true) {
        std::vector<HidrawNode> nodes(1);
        EXPECT_EQ(SysfsHidrawLister(root_.string(), "/dev").list(nodes), works);
        return nodes;
    }

    fs::path root_;
};

TEST_F(SysfsListerTest, ListsNodesInKernelOrderWithTheirDeviceNodesAndIds) {
    EXPECT_TRUE(listed().empty());  // no hidraw driver loaded
    add("hidraw10", "MAJOR=241\nDEVNAME=hidraw10\n", "HID_ID=0003:00001209:00000001\n");
    add("hidraw2", "MAJOR=241\nDEVNAME=input/hidraw2", "DRIVER=x\nHID_ID=0003:0000046D:0000C52B");
    add("hidraw", "", "HID_NAME=no id\n");
    add("hidraw0", "DEVNAME=usb/hidraw0\nMINOR=0\n", "HID_ID=0003:00001209:00000002\nHID_UNIQ=7");

    const std::vector<HidrawNode> nodes = listed();

    ASSERT_EQ(nodes.size(), 4u);
    const char* devnodes[] = {"/dev/usb/hidraw0", "/dev/input/hidraw2", "/dev/hidraw10",
                              "/dev/hidraw"};
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i].devnode, devnodes[i]);
        EXPECT_EQ(nodes[i].idKnown, i < 3) << i;
    }
    EXPECT_EQ(nodes[1].vendorId, 0x046D);
    EXPECT_EQ(nodes[1].productId, 0xC52B);
    EXPECT_EQ(nodes[2].name, "hidraw10");
    EXPECT_EQ(nodes[0].serial, "7");
    EXPECT_EQ(nodes[1].serial, "");

    fs::remove_all(root_ / "class" / "hidraw");
    std::ofstream(root_ / "class" / "hidraw") << "not a directory";
    EXPECT_TRUE(listed(false).empty());
    fs::remove_all(root_);
    EXPECT_TRUE(listed(false).empty());  // no sysfs at all
}

TEST(SortTest, KernelNumbersFirstThenNamesWithoutOne) {
    std::vector<HidrawNode> nodes;
    for (const char* name :
         {"hidrawB", "other12", "hidraw10", "hidraw9x", "hidraw9", "hidrawA", "hidraw0"}) {
        nodes.push_back({name, "", false, 0, 0, ""});
    }
    sortInKernelOrder(nodes);
    std::vector<std::string> names;
    for (const HidrawNode& node : nodes) {
        names.push_back(node.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"hidraw0", "hidraw9", "hidraw10", "hidraw9x",
                                               "hidrawA", "hidrawB", "other12"}));
}

TEST(HotplugEventTest, AddAndRemoveBecomeInterfaceRecordsNamedByTheNode) {
    const struct {
        const char* action;
        const char* devnode;
        std::uint32_t code;  // 0: no event
    } cases[] = {{"add", "/dev/hidraw4", kDeviceArrival},
                 {"remove", "/dev/hidraw4", kDeviceRemoveComplete},
                 {"change", "/dev/hidraw4", 0},
                 {"bind", "/dev/hidraw4", 0},
                 {"", "/dev/hidraw4", 0},
                 {"add", "", 0},
                 {"add", "/dev/\xFF", 0}};
    for (const auto& c : cases) {
        std::uint32_t code = 0;
        DeviceNotification record;
        EXPECT_EQ(deviceChangeFromUdev(c.action, c.devnode, code, record), c.code != 0) << c.action;
        EXPECT_EQ(code, c.code) << c.action;
        EXPECT_EQ(record.deviceType,
                  c.code != 0 ? kDeviceTypeInterface : DeviceNotification().deviceType);
        EXPECT_EQ(record.name, c.code != 0 ? u"/dev/hidraw4" : u"");
    }
}

// This machine's udev may know no hidraw device; either way the calls work and never block.
TEST(UdevTest, ListerAndMonitorWorkOnTheSystemsUdev) {
    std::vector<HidrawNode> nodes = {{"stale", "", false, 0, 0, ""}};
    ASSERT_TRUE(UdevHidrawLister().list(nodes));
    for (const HidrawNode& node : nodes) {
        EXPECT_EQ(node.devnode.rfind("/dev/", 0), 0u) << node.name;
    }
    HotplugMonitor monitor;
    ASSERT_TRUE(monitor.isValid());
    pollfd entry{monitor.fd(), POLLIN, 0};
    EXPECT_GE(::poll(&entry, 1, 0), 0);
    std::uint32_t code = 0;
    DeviceNotification record;
    while (monitor.next(code, record)) {
        EXPECT_EQ(record.deviceType, kDeviceTypeInterface);
    }
}

// flock on two descriptors of one real file, as two programs would hold a hidraw node; the
// hidraw ioctls refuse such a file.
TEST(KernelLockTest, SharedLocksCoexistAnExclusiveOneExcludesAndClosingEndsIt) {
    char path[] = "/tmp/talo-lock-XXXXXX";
    ::close(::mkstemp(path));
    KernelHidrawOps ops;
    int error = 0;
    const int first = ops.open(path, error);
    const int second = ops.open(path, error);
    ASSERT_GE(second, 0) << error;
    for (const auto& [firstExclusive, secondExclusive] :
         {std::pair(false, false), {false, true}, {true, false}, {true, true}}) {
        ASSERT_TRUE(ops.lock(first, firstExclusive));
        EXPECT_EQ(ops.lock(second, secondExclusive), !firstExclusive && !secondExclusive);
        ops.unlock(first);
        EXPECT_TRUE(ops.lock(second, true));  // free again once the first lets go
        ops.unlock(second);
    }
    std::uint16_t id = 0;
    std::vector<std::uint8_t> descriptor;
    EXPECT_FALSE(ops.rawInfo(first, id, id));  // not a hidraw node
    EXPECT_FALSE(ops.reportDescriptor(first, descriptor));
    ASSERT_TRUE(ops.lock(first, true));
    ops.close(first);
    EXPECT_TRUE(ops.lock(second, true));
    ops.close(second);
    EXPECT_EQ(ops.open("/nonexistent/hidraw0", error), -1);
    EXPECT_EQ(error, ENOENT);
    ::unlink(path);
}

}  // namespace
}  // namespace talo::linuxhid
