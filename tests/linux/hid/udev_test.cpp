#include <gtest/gtest.h>
#include <poll.h>
#include <umockdev.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/linux/hid/hotplug_monitor.h"
#include "platform/linux/hid/udev_hidraw_lister.h"

// Runs under libumockdev-preload: libudev sees the test bed's devices and events, not the system's.
namespace talo::linuxhid {
namespace {

TEST(UdevTest, ListsNodesWithIdsAndSerialsAndReportsTheirEvents) {
    UMockdevTestbed* bed = umockdev_testbed_new();
    auto add = [bed](const char* subsystem, const char* name, const std::string& parent,
                     const char* key, const char* value) {
        g_autofree gchar* path = umockdev_testbed_add_device(
            bed, subsystem, name, parent.empty() ? nullptr : parent.c_str(), nullptr, key, value,
            nullptr);
        return std::string(path);
    };
    // An empty HID_UNIQ falls back to the USB serial; hidraw2's parents tell no id and no serial;
    // hidraw5 has no device node.
    const std::string usb = add("usb", "1-1", "", "DEVTYPE", "usb_device");
    umockdev_testbed_set_attribute(bed, usb.c_str(), "serial", "SN42");
    const std::string hid = add("hid", "h1", usb, "HID_ID", "0003:00001209:00004711");
    umockdev_testbed_set_property(bed, hid.c_str(), "HID_UNIQ", "");
    const std::string nine = add("hidraw", "hidraw9", hid, "DEVNAME", "/dev/hidraw9");
    const std::string own = add("hid", "h2", "", "HID_UNIQ", "U7");
    umockdev_testbed_set_property(bed, own.c_str(), "HID_ID", "0003:00001209:00000001");
    const std::string ten = add("hidraw", "hidraw10", own, "DEVNAME", "/dev/hidraw10");
    const std::string noNode = add("hidraw", "hidraw5", own, "HID_NAME", "no node");
    add("hidraw", "hidraw2", add("hid", "h3", "", "HID_NAME", "x"), "DEVNAME", "/dev/hidraw2");

    std::vector<HidrawNode> nodes = {{"stale", "", false, 0, 0, ""}};
    ASSERT_TRUE(UdevHidrawLister().list(nodes));
    std::vector<std::tuple<std::string, std::string, bool, int, int, std::string>> seen;
    for (const HidrawNode& n : nodes) {
        seen.emplace_back(n.name, n.devnode, n.idKnown, n.vendorId, n.productId, n.serial);
    }
    EXPECT_EQ(seen, (decltype(seen){{"hidraw2", "/dev/hidraw2", false, 0, 0, ""},
                                    {"hidraw9", "/dev/hidraw9", true, 0x1209, 0x4711, "SN42"},
                                    {"hidraw10", "/dev/hidraw10", true, 0x1209, 1, "U7"}}));

    HotplugMonitor monitor;
    ASSERT_TRUE(monitor.isValid());
    // Filtered out: not a hidraw node, no device node, not added or removed, no UTF-8 name.
    umockdev_testbed_uevent(bed, hid.c_str(), "add");
    umockdev_testbed_uevent(bed, noNode.c_str(), "add");
    umockdev_testbed_uevent(bed, ten.c_str(), "change");
    umockdev_testbed_uevent(bed, add("hidraw", "hidraw7", own, "DEVNAME", "/dev/\xFF").c_str(),
                            "add");
    umockdev_testbed_uevent(bed, ten.c_str(), "add");
    umockdev_testbed_uevent(bed, nine.c_str(), "remove");
    std::uint32_t eventCode = 0;
    DeviceNotification record;
    for (const auto& [code, name] : {std::pair(kDeviceArrival, u"/dev/hidraw10"),
                                     std::pair(kDeviceRemoveComplete, u"/dev/hidraw9")}) {
        pollfd ready{monitor.fd(), POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 5000), 1);
        ASSERT_TRUE(monitor.next(eventCode, record));
        EXPECT_EQ(std::pair(eventCode, record.name), std::pair(code, std::u16string(name)));
    }
    EXPECT_FALSE(monitor.next(eventCode, record));  // the queue is empty
    g_object_unref(bed);
}

}  // namespace
}  // namespace talo::linuxhid
