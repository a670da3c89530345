#include <gtest/gtest.h>

#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/hotplug_event.h"
#include "platform/linux/hid/hotplug_monitor.h"
#include "platform/linux/hid/udev_hidraw_lister.h"

namespace talo::linuxhid {
namespace {

TEST(UeventTest, ReadsSixteenBitHexIdsOrLeavesThemAlone) {
    const struct {
        const char* uevent;
        std::uint16_t vendor;  // 0: refused
        std::uint16_t product;
    } cases[] = {
        {"DRIVER=x\nHID_ID=0003:0000FFFF:0000FFFF\nX=", 0xFFFF, 0xFFFF},
        {"HID_UNIQ=\nHID_ID=0005:1209:abcd", 0x1209, 0xABCD},
        {"XHID_ID=0003:00001209:00000001\n\nHID_UNIQ=2", 0, 0},
        {"HID_ID=0003:00001209\n", 0, 0},
        {"HID_ID=0003:1209:zz\n", 0, 0},
        {"HID_ID=0003:12x9:0001\n", 0, 0},
        {"HID_ID=0003::0001\n", 0, 0},
        {"HID_ID=0003:00010000:00000001\n", 0, 0},
        {"HID_ID=0003:00001209:00010000\n", 0, 0},
    };
    for (const auto& c : cases) {
        std::pair<std::uint16_t, std::uint16_t> ids;
        EXPECT_EQ(parseHidId(c.uevent, ids.first, ids.second), c.vendor != 0) << c.uevent;
        EXPECT_EQ(ids, std::pair(c.vendor, c.product)) << c.uevent;
    }
}

TEST(SortTest, KernelNumbersFirstThenNamesWithoutOne) {
    std::vector<HidrawNode> nodes;
    for (const char* name : {"hidrawB", "other12", "hidraw10", "hidraw9x", "hidraw9", "hidraw"}) {
        nodes.push_back({name, "", false, 0, 0, ""});
    }
    sortInKernelOrder(nodes);
    std::string order;
    for (const HidrawNode& node : nodes) {
        order += node.name + " ";
    }
    EXPECT_EQ(order, "hidraw9 hidraw10 hidraw hidraw9x hidrawB other12 ");
}

TEST(HotplugEventTest, AddAndRemoveOfANamedNodeBecomeInterfaceRecords) {
    const struct {
        const char* action;
        const char* devnode;
        std::uint32_t code;  // 0: no event
    } cases[] = {{"add", "/dev/hidraw4", kDeviceArrival},
                 {"remove", "/dev/hidraw4", kDeviceRemoveComplete},
                 {"change", "/dev/hidraw4", 0},
                 {"add", "", 0},
                 {"add", "/dev/\xFF", 0}};
    for (const auto& c : cases) {
        std::uint32_t code = 0;
        DeviceNotification record;
        EXPECT_EQ(deviceChangeFromUdev(c.action, c.devnode, code, record), c.code != 0) << c.action;
        EXPECT_EQ(code, c.code) << c.action;
        EXPECT_EQ(record.deviceType, c.code != 0 ? kDeviceTypeInterface : 0u);
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
    std::uint32_t code = 0;
    DeviceNotification record;
    while (monitor.next(code, record)) {
        EXPECT_EQ(record.deviceType, kDeviceTypeInterface);
    }
}

}  // namespace
}  // namespace talo::linuxhid
