#include "platform/win32/notification_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace talo::win32 {
namespace {

// A record as the system would deliver it, inside a larger buffer whose bytes beyond the
// record hold a marker that must never appear in what is read.
class NotificationRecordTest : public ::testing::Test {
  protected:
    void SetUp() override { buffer.assign(256, 0x7A); }

    void* interfaceRecord(std::uint32_t size, std::u16string_view name, bool terminated) {
        std::vector<std::uint8_t> bytes(28, 0);
        const std::uint32_t type = 5;
        std::memcpy(bytes.data(), &size, 4);
        std::memcpy(bytes.data() + 4, &type, 4);
        for (char16_t unit : name) {
            bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        if (terminated) {
            bytes.insert(bytes.end(), {0, 0});
        }
        std::memcpy(buffer.data(), bytes.data(), bytes.size());
        return buffer.data();
    }

    std::vector<std::uint8_t> buffer;
    DeviceNotification record;
};

TEST_F(NotificationRecordTest, ReadsTheInterfacePathUpToItsTerminator) {
    ASSERT_TRUE(
        readDeviceNotification(interfaceRecord(28 + 2 * 10, u"\\\\?\\hid#a", true), record));
    EXPECT_EQ(record.deviceType, 5u);
    EXPECT_EQ(record.name, u"\\\\?\\hid#a");
}

TEST_F(NotificationRecordTest, NameWithoutTerminatorEndsAtTheRecordsEnd) {
    ASSERT_TRUE(readDeviceNotification(interfaceRecord(28 + 2 * 4, u"ABCD", false), record));
    EXPECT_EQ(record.name, u"ABCD");

    // A size that ends inside a character takes only the whole characters before it.
    ASSERT_TRUE(readDeviceNotification(interfaceRecord(28 + 2 * 2 + 1, u"ABCD", false), record));
    EXPECT_EQ(record.name, u"AB");
}

TEST_F(NotificationRecordTest, InterfaceRecordTooShortForANameHasAnEmptyName) {
    ASSERT_TRUE(readDeviceNotification(interfaceRecord(20, u"", false), record));
    EXPECT_EQ(record.deviceType, 5u);
    EXPECT_TRUE(record.name.empty());
}

TEST_F(NotificationRecordTest, OtherDeviceTypesGiveOnlyTheirType) {
    const std::uint32_t header[] = {16, 2 /* volume */, 0, 0x41414141};
    std::memcpy(buffer.data(), header, sizeof(header));

    ASSERT_TRUE(readDeviceNotification(buffer.data(), record));
    EXPECT_EQ(record.deviceType, 2u);
    EXPECT_TRUE(record.name.empty());
}

TEST_F(NotificationRecordTest, RefusesMissingTruncatedAndImplausibleRecords) {
    EXPECT_FALSE(readDeviceNotification(nullptr, record));
    EXPECT_FALSE(readDeviceNotification(interfaceRecord(8, u"", false), record));
    EXPECT_FALSE(readDeviceNotification(interfaceRecord(0xFFFFFFFFu, u"A", false), record));
    EXPECT_EQ(record.deviceType, 0u);
}

}  // namespace
}  // namespace talo::win32
