#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <string>

#include "platform/linux/hid/hotplug_event.h"
#include "platform/linux/hid/hotplug_monitor.h"

namespace talo {
namespace {

TEST(HotplugEvent, AddAndRemoveBecomeInterfaceRecordsNamedByTheNode) {
    std::uint32_t code = 0;
    DeviceNotification record;

    ASSERT_TRUE(linuxhid::deviceChangeFromUdev("add", "/dev/hidraw4", code, record));
    EXPECT_EQ(code, kDeviceArrival);
    EXPECT_EQ(record.deviceType, kDeviceTypeInterface);
    EXPECT_EQ(record.name, u"/dev/hidraw4");

    ASSERT_TRUE(linuxhid::deviceChangeFromUdev("remove", "/dev/hidraw4", code, record));
    EXPECT_EQ(code, kDeviceRemoveComplete);
    EXPECT_EQ(record.deviceType, kDeviceTypeInterface);
    EXPECT_EQ(record.name, u"/dev/hidraw4");
}

TEST(HotplugEvent, OtherActionsAreNoEvents) {
    for (const char* action : {"change", "bind", "unbind", "move", ""}) {
        std::uint32_t code = 7;
        DeviceNotification record;
        EXPECT_FALSE(linuxhid::deviceChangeFromUdev(action, "/dev/hidraw4", code, record))
            << action;
        EXPECT_EQ(code, 7u);
    }
}

TEST(HotplugMonitor, WatchableDescriptorWithNothingPending) {
    HotplugMonitor monitor;
    ASSERT_TRUE(monitor.isValid());
    ASSERT_GE(monitor.fd(), 0);

    pollfd entry{monitor.fd(), POLLIN, 0};
    EXPECT_GE(::poll(&entry, 1, 0), 0);
    std::uint32_t code = 0;
    DeviceNotification record;
    EXPECT_FALSE(monitor.next(code, record));  // must not block on an empty queue
}

}  // namespace
}  // namespace talo
