#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talo::flash {

// Builds one JSON value as UTF-8 text. Strings are escaped per RFC 8259 (quote, backslash and
// every control character); UTF-16 input is converted to UTF-8. Keys and values are appended
// in call order; the caller pairs beginObject/endObject and beginArray/endArray.
class JsonWriter {
  public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(std::u16string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(const char16_t* text) { return value(std::u16string_view(text)); }
    JsonWriter& value(bool flag);
    JsonWriter& value(std::int64_t number);
    JsonWriter& null();

    const std::string& text() const { return text_; }

  private:
    void separate();
    void appendString(std::string_view utf8);

    std::string text_;
    bool needComma_ = false;
};

}  // namespace talo::flash
