#include "json_writer.h"

#include "text_output.h"

namespace talo::flash {

void JsonWriter::separate() {
    if (needComma_) {
        text_ += ',';
    }
    needComma_ = true;
}

JsonWriter& JsonWriter::beginObject() {
    separate();
    text_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    text_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    separate();
    text_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    text_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    appendString(name);
    text_ += ':';
    needComma_ = false;  // the value follows without a comma
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    separate();
    appendString(text);
    return *this;
}

JsonWriter& JsonWriter::value(std::u16string_view text) {
    return value(toUtf8Lossy(text));
}

JsonWriter& JsonWriter::value(bool flag) {
    separate();
    text_ += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number) {
    separate();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    text_ += "null";
    return *this;
}

void JsonWriter::appendString(std::string_view utf8) {
    static constexpr char kDigits[] = "0123456789abcdef";
    text_ += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                text_ += "\\\"";
                break;
            case '\\':
                text_ += "\\\\";
                break;
            case '\n':
                text_ += "\\n";
                break;
            case '\r':
                text_ += "\\r";
                break;
            case '\t':
                text_ += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    text_ += "\\u00";
                    text_ += kDigits[byte >> 4];
                    text_ += kDigits[byte & 0x0F];
                } else {
                    text_ += c;  // UTF-8 passes through unchanged
                }
        }
    }
    text_ += '"';
}

}  // namespace talo::flash
