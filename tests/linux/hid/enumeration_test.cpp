#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/sysfs_hidraw_lister.h"
#include "tests/linux/hid/fake_sysfs.h"

namespace talo::linuxhid {
namespace {

class SysfsEnumeration : public ::testing::Test {
  protected:
    void SetUp() override { sysfs_.makeEmptySystem(); }

    std::vector<HidrawNode> listed() {
        SysfsHidrawLister lister(sysfs_.root(), "/dev");
        std::vector<HidrawNode> nodes(1);
        EXPECT_TRUE(lister.list(nodes));
        return nodes;
    }

    FakeSysfs sysfs_;
};

TEST_F(SysfsEnumeration, ListsNodesInKernelNumberOrder) {
    sysfs_.addHidraw("hidraw10", "0003:00001209:00000001");
    sysfs_.addHidraw("hidraw2", "0003:0000046D:0000C52B");
    sysfs_.addHidraw("hidraw0", "0003:00001209:00000002");

    const std::vector<HidrawNode> nodes = listed();

    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].devnode, "/dev/hidraw0");
    EXPECT_EQ(nodes[1].devnode, "/dev/hidraw2");
    EXPECT_EQ(nodes[2].devnode, "/dev/hidraw10");
}

TEST_F(SysfsEnumeration, TakesVendorAndProductFromParentHidId) {
    sysfs_.addHidraw("hidraw0", "0005:0000ABCD:0000beef");
    sysfs_.addHidraw("hidraw1", "");

    const std::vector<HidrawNode> nodes = listed();

    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_TRUE(nodes[0].idKnown);
    EXPECT_EQ(nodes[0].vendorId, 0xABCD);
    EXPECT_EQ(nodes[0].productId, 0xBEEF);
    EXPECT_FALSE(nodes[1].idKnown);
}

TEST(HidId, RefusesMalformedOrOversizedIds) {
    for (const char* uevent : {"HID_NAME=x\n", "HID_ID=0003:00001209\n", "HID_ID=0003:1209:zz\n",
                               "HID_ID=0003:00011209:00000001\n", "HID_ID=0003::00000001\n"}) {
        std::uint16_t vendor = 7;
        std::uint16_t product = 7;
        EXPECT_FALSE(parseHidId(uevent, vendor, product)) << uevent;
        EXPECT_EQ(vendor, 7);
    }
}

}  // namespace
}  // namespace talo::linuxhid
