#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "resources/messages.h"
#include "ui/format_text.h"
#include "ui/message_ids.h"
#include "update/updater_context.h"

namespace talo {
namespace {

constexpr int kLookupCapacity = 2048;

std::u16string load(std::uint16_t id, int capacity = kLookupCapacity) {
    std::vector<char16_t> buffer(static_cast<std::size_t>(std::max(capacity, 1)), u'#');
    const int length = loadCatalogueString(id, buffer.data(), capacity);
    return std::u16string(buffer.data(), static_cast<std::size_t>(length));
}

TEST(CatalogueTest, HoldsExactlyTheKnownIdentifiers) {
    std::vector<std::uint16_t> expected;
    const auto addRange = [&expected](int first, int last) {
        for (int id = first; id <= last; ++id) {
            expected.push_back(static_cast<std::uint16_t>(id));
        }
    };
    addRange(40000, 40009);
    for (int id : {40011, 40012, 40015, 40016, 40017, 40020, 40022, 40023}) {
        addRange(id, id);
    }
    addRange(40025, 40040);
    addRange(60001, 60008);
    std::vector<std::uint16_t> present;
    for (const CatalogueEntry& entry : catalogueEntries()) {
        EXPECT_FALSE(entry.text.empty()) << entry.id;
        present.push_back(entry.id);
    }
    EXPECT_EQ(present, expected);
}

TEST(CatalogueTest, EveryTextFitsTheLookupBufferUncut) {
    for (const CatalogueEntry& entry : catalogueEntries()) {
        EXPECT_LT(entry.text.size(), static_cast<std::size_t>(kLookupCapacity)) << entry.id;
        EXPECT_EQ(load(entry.id), entry.text) << entry.id;
    }
}

TEST(CatalogueTest, LongestTextsHaveTheirFullLength) {
    EXPECT_EQ(catalogueText(kMsgInstructions).size(), 628u);
    EXPECT_EQ(catalogueText(60002).size(), 657u);
}

TEST(CatalogueTest, InstructionsKeepTheirParagraphBreaks) {
    const std::u16string_view text = catalogueText(kMsgInstructions);
    EXPECT_TRUE(text.starts_with(
        u"i) Schlie\u00dfen Sie einen geeigneten Akku an den Regler an, um ihn mit Spannung zu "
        u"versorgen\r\n\r\nii) Verbinden Sie das Empf\u00e4ngerkabel des Reglers"));
    EXPECT_TRUE(text.ends_with(
        u"\r\n\r\nv) Wenn Programmiereinheit und Regler vom PC gefunden wurden und bereit zum "
        u"Update sind, kann das Firmware-Update \u00fcber den Button 'Update' gestartet werden"));
}

TEST(CatalogueTest, IncompatibleNoticeNamesTheModelAndTheSupportAddress) {
    std::array<char16_t, kLookupCapacity> shown{};
    ASSERT_GT(
        formatText(shown.data(), shown.size(), catalogueText(kMsgIncompatibleText), {kModelName}),
        0);
    EXPECT_EQ(std::u16string_view(shown.data()),
              u"Mit diesem Updater l\u00e4\u00dft sich ausschlie\u00dflich die Firmware von "
              u"MERIDOVAN Reglern des Typs 'TALO Max 150' aktualisieren. Andere Modelle werden "
              u"nicht unterst\u00fctzt. Schauen Sie gegebenenfalls auf der MERIDOVAN Website "
              u"unter https://www.meridovan.de/support nach, ob ein Firmware-Update f\u00fcr Ihren "
              u"Regler bereit liegt");
}

TEST(CatalogueTest, ErrorCodeLineShowsBothCodesInHex) {
    std::array<char16_t, kLookupCapacity> shown{};
    formatText(shown.data(), shown.size(), catalogueText(kMsgErrorCodes),
               {std::int32_t{1627}, std::uint32_t{0}});
    EXPECT_EQ(std::u16string_view(shown.data()),
              u"Das System meldet Fehlercode 0x0000065b-0x00000000");
}

TEST(CatalogueTest, RegistrationFailureTextIsExact) {
    EXPECT_EQ(catalogueText(kMsgApplicationErrorCaption), u"Fehler in der Anwendung");
    EXPECT_EQ(
        catalogueText(kMsgRegistrationFailed),
        u"Fehler beim Registrieren des Windows Ger\u00e4te-Meldungshandlers. Neue Ger\u00e4te "
        u"am USB Port k\u00f6nnen nicht erkannt werden. Das Programm wird geschlossen.");
}

TEST(CatalogueLookupTest, CutsToCapacityAndTerminates) {
    std::array<char16_t, 8> buffer;
    buffer.fill(u'#');
    EXPECT_EQ(loadCatalogueString(kMsgUpdateFailedCaption, buffer.data(), 7), 6);
    EXPECT_EQ(std::u16string_view(buffer.data()), u"Update");
    EXPECT_EQ(buffer[7], u'#');
}

TEST(CatalogueLookupTest, UnknownIdentifierGivesNothing) {
    std::array<char16_t, 4> buffer;
    buffer.fill(u'#');
    EXPECT_EQ(loadCatalogueString(40010, buffer.data(), 4), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_TRUE(catalogueText(0).empty());
    EXPECT_TRUE(catalogueText(65535).empty());
}

TEST(CatalogueLookupTest, UnusableBufferIsLeftAlone) {
    char16_t single = u'#';
    EXPECT_EQ(loadCatalogueString(kMsgReady, &single, 0), 0);
    EXPECT_EQ(single, u'#');
    EXPECT_EQ(loadCatalogueString(kMsgReady, &single, 1), 0);
    EXPECT_EQ(single, u'\0');
    EXPECT_EQ(loadCatalogueString(kMsgReady, nullptr, 10), 0);
}

}  // namespace
}  // namespace talo
