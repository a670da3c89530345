#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <string>

#include "platform/linux/hid/hotplug_event.h"
#include "platform/linux/hid/hotplug_monitor.h"
#include "platform/linux/hid/path_text.h"

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

TEST(HotplugEvent, OtherActionsAndUnreadableNodesAreNoEvents) {
    for (const char* action : {"change", "bind", "unbind", "move", ""}) {
        std::uint32_t code = 7;
        DeviceNotification record;
        EXPECT_FALSE(linuxhid::deviceChangeFromUdev(action, "/dev/hidraw4", code, record))
            << action;
        EXPECT_EQ(code, 7u);
    }
    std::uint32_t code = 7;
    DeviceNotification record;
    EXPECT_FALSE(linuxhid::deviceChangeFromUdev("add", "", code, record));
    EXPECT_FALSE(linuxhid::deviceChangeFromUdev("add", "/dev/\xFF", code, record));
    EXPECT_EQ(code, 7u);
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

TEST(PathText, NonAsciiPathsSurviveTheRoundTrip) {
    const std::string utf8 = "/dev/ger\xC3\xA4t-\xF0\x9F\x94\x8C";
    std::u16string utf16;
    ASSERT_TRUE(linuxhid::utf8ToUtf16(utf8, utf16));
    EXPECT_EQ(utf16, u"/dev/ger\u00E4t-\U0001F50C");
    std::string back;
    ASSERT_TRUE(linuxhid::utf16ToUtf8(utf16, back));
    EXPECT_EQ(back, utf8);
}

TEST(PathText, RefusesTextWithoutAnExactCounterpart) {
    std::u16string utf16 = u"unchanged";
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(linuxhid::utf8ToUtf16(bad, utf16)) << bad;
    }
    EXPECT_EQ(utf16, u"unchanged");
    std::string utf8 = "unchanged";
    EXPECT_FALSE(linuxhid::utf16ToUtf8(std::u16string(1, u'\xD800'), utf8));
    EXPECT_FALSE(linuxhid::utf16ToUtf8(std::u16string(1, u'\xDC00'), utf8));
    EXPECT_EQ(utf8, "unchanged");
}

}  // namespace
}  // namespace talo
