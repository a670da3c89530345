#include "json_writer.h"

#include <gtest/gtest.h>

#include "text_output.h"

namespace talo::flash {
namespace {

TEST(JsonWriterTest, EscapesQuotesBackslashesAndControlCharacters) {
    JsonWriter json;
    json.beginObject().key("t").value(std::string_view("a\"b\\c\r\nd\te\x01")).endObject();
    EXPECT_EQ(json.text(), R"({"t":"a\"b\\c\r\nd\te\u0001"})");
}

TEST(JsonWriterTest, WritesUtf16TextAsUtf8) {
    JsonWriter json;
    json.beginArray().value(u"Schließen für").value(u"\U0001F50C").endArray();
    EXPECT_EQ(json.text(),
              "[\"Schlie\xC3\x9F"
              "en f\xC3\xBCr\",\"\xF0\x9F\x94\x8C\"]");
}

TEST(JsonWriterTest, SeparatesMembersAndNestedValuesWithCommas) {
    JsonWriter json;
    json.beginObject()
        .key("a")
        .value(std::int64_t{-4})
        .key("b")
        .beginArray()
        .value(true)
        .null()
        .beginObject()
        .endObject()
        .endArray()
        .key("c")
        .value("x")
        .endObject();
    EXPECT_EQ(json.text(), R"({"a":-4,"b":[true,null,{}],"c":"x"})");
}

TEST(TextOutputTest, UnpairedSurrogateBecomesReplacementCharacter) {
    const std::u16string broken = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(toUtf8Lossy(broken),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

TEST(TextOutputTest, TerminalTextHasPlainNewlines) {
    EXPECT_EQ(toTerminalText(u"eins\r\n\r\nzwei\rdrei"), "eins\n\nzwei\rdrei");
}

}  // namespace
}  // namespace talo::flash
