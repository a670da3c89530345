#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "resources/messages.h"
#include "ui/message_ids.h"
#include "ui/message_text.h"

namespace talo {
namespace {

// Every text comes back whole from a lookup with the program's buffer size.
TEST(CatalogueTest, EveryTextFitsTheLookupBufferUncut) {
    std::vector<char16_t> buffer(kMessageCapacity);
    for (const CatalogueEntry& entry : catalogueEntries()) {
        const int length = loadCatalogueString(entry.id, buffer.data(), kMessageCapacity);
        EXPECT_FALSE(entry.text.empty()) << entry.id;
        EXPECT_EQ(std::u16string_view(buffer.data(), static_cast<std::size_t>(length)), entry.text)
            << entry.id;
    }
}

TEST(CatalogueTest, LookupCutsToCapacityAndTerminatesOrGivesNothing) {
    std::array<char16_t, 8> buffer;
    buffer.fill(u'#');
    EXPECT_EQ(loadCatalogueString(kMsgUpdateFailedCaption, buffer.data(), 7), 6);
    EXPECT_EQ(std::u16string_view(buffer.data()), u"Update");
    EXPECT_EQ(buffer[7], u'#');

    EXPECT_EQ(loadCatalogueString(40010, buffer.data(), 4), 0);  // no such message
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_TRUE(catalogueText(0).empty());

    char16_t single = u'#';
    EXPECT_EQ(loadCatalogueString(kMsgReady, &single, 0), 0);
    EXPECT_EQ(single, u'#');
    EXPECT_EQ(loadCatalogueString(kMsgReady, &single, 1), 0);
    EXPECT_EQ(single, u'\0');
    EXPECT_EQ(loadCatalogueString(kMsgReady, nullptr, 10), 0);
}

// A source that answers every lookup with one length, whatever the message.
struct FixedSource final : MessageSource {
    int length = 0;
    int loadString(std::uint16_t, char16_t* buffer, int capacity) override {
        std::fill_n(buffer, capacity, u'x');
        return length;
    }
};

TEST(CatalogueTest, LoadMessageTakesTheReportedLengthAndNothingOnFailure) {
    for (const auto& [length, text] : {std::pair{1, u"x"}, {0, u""}, {-1, u""}}) {
        FixedSource source;
        source.length = length;
        EXPECT_EQ(loadMessage(source, kMsgReady), text) << length;
    }
}

}  // namespace
}  // namespace talo
