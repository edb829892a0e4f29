// JSON writer: compact or indented text, written into one growing buffer.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "core/json.h"

namespace {

// For every byte: 0 when it is copied as is, 'u' for the \u00XX form, or the
// letter that follows the backslash.
struct EscapeTable {
    char code[256] = {};
    constexpr EscapeTable() {
        for (int c = 0; c < 0x20; ++c) code[c] = 'u';
        code[static_cast<unsigned char>('"')] = '"';
        code[static_cast<unsigned char>('\\')] = '\\';
        code[0x08] = 'b';
        code[0x0C] = 'f';
        code[0x0A] = 'n';
        code[0x0D] = 'r';
        code[0x09] = 't';
    }
};

// Constant-initialised, so it is ready even for writes from other static
// initialisers.
constexpr EscapeTable kEscapes;

// The most bytes escaping can make of one input byte (\u00XX).
constexpr std::size_t kMaxEscapedBytes = 6;
// Long texts are escaped in slices, so the room made for the worst case
// stays small whatever the text's length.
constexpr std::size_t kSliceBytes = 16384;

// Writes the escaped text at dest, which has room for
// kMaxEscapedBytes * text.size() bytes; returns the end of what it wrote.
char* EscapeInto(std::string_view text, char* dest) {
    static const char kHex[] = "0123456789abcdef";
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        const char* run = p;
        while (p != end && kEscapes.code[static_cast<unsigned char>(*p)] == 0) ++p;
        std::memcpy(dest, run, static_cast<std::size_t>(p - run));
        dest += p - run;
        if (p == end) break;
        const unsigned char byte = static_cast<unsigned char>(*p++);
        const char code = kEscapes.code[byte];
        *dest++ = '\\';
        if (code == 'u') {
            const char hex[5] = {'u', '0', '0', kHex[byte >> 4], kHex[byte & 0x0F]};
            std::memcpy(dest, hex, 5);
            dest += 5;
        } else {
            *dest++ = code;
        }
    }
    return dest;
}

// The text being written. Every piece goes through a plain pointer into
// room made beforehand; the string is resized only when it must grow, and
// cut to the written length at the end.
class Output {
public:
    explicit Output(std::string& text) : text_(text), length_(text.size()) {}
    ~Output() { text_.resize(length_); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    char* Room(std::size_t count) {
        if (text_.size() - length_ < count) Grow(count);
        return &text_[0] + length_;
    }
    void Done(const char* end) { length_ = static_cast<std::size_t>(end - text_.data()); }

    void Put(char c) {
        *Room(1) = c;
        ++length_;
    }
    void Put(const char* bytes, std::size_t count) {
        std::memcpy(Room(count), bytes, count);
        length_ += count;
    }
    void Put(std::string_view bytes) { Put(bytes.data(), bytes.size()); }

private:
    void Grow(std::size_t count) { text_.resize(std::max(text_.size() * 2, length_ + count + 256)); }

    std::string& text_;
    std::size_t length_;
};

void PutNumber(double value, Output& out) {
    if (std::isnan(value)) {
        out.Put("null");
        return;
    }
    // Beyond the double range, so the parser reads these back as infinity.
    if (std::isinf(value)) {
        out.Put(value < 0 ? "-1e999" : "1e999");
        return;
    }
    constexpr std::size_t kLongest = 32;
    char* dest = out.Room(kLongest);
    std::to_chars_result result;
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        result = std::to_chars(dest, dest + kLongest, static_cast<long long>(value));
    } else {
        result = std::to_chars(dest, dest + kLongest, value, std::chars_format::general, 10);
    }
    out.Done(result.ptr);
}

void PutEscaped(std::string_view text, Output& out) {
    if (text.size() <= kSliceBytes) {
        out.Done(EscapeInto(text, out.Room(text.size() * kMaxEscapedBytes)));
        return;
    }
    while (!text.empty()) {
        const std::string_view slice = text.substr(0, kSliceBytes);
        out.Done(EscapeInto(slice, out.Room(slice.size() * kMaxEscapedBytes)));
        text.remove_prefix(slice.size());
    }
}

void PutString(std::string_view text, Output& out) {
    out.Put('"');
    PutEscaped(text, out);
    out.Put('"');
}

class Writer {
public:
    Writer(int indent, Output& out) : indent_(indent), out_(out) {}
    void Write(const JsonValue& value, int depth);

private:
    // A line feed and the level's indentation, in one copy.
    void LineBreak(int depth) {
        if (indent_ < 0) return;
        const std::size_t length = 1 + static_cast<std::size_t>(depth) * static_cast<std::size_t>(indent_);
        if (lineBreak_.size() < length) lineBreak_.resize(length, ' ');
        out_.Put(lineBreak_.data(), length);
    }
    void WriteArray(const JsonValue& value, int depth);
    void WriteObject(const JsonValue& value, int depth);

    int indent_;
    Output& out_;
    std::string lineBreak_ = "\n";  // a line feed, then spaces for the deepest level so far
};

void Writer::Write(const JsonValue& value, int depth) {
    switch (value.type()) {
        case JsonType::Null:
            out_.Put("null");
            break;
        case JsonType::Bool:
            out_.Put(value.asBool(false) ? std::string_view("true") : std::string_view("false"));
            break;
        case JsonType::Number:
            PutNumber(value.asNumber(0.0), out_);
            break;
        case JsonType::String:
            PutString(value.text(), out_);
            break;
        case JsonType::Array:
            WriteArray(value, depth);
            break;
        case JsonType::Object:
            WriteObject(value, depth);
            break;
    }
}

void Writer::WriteArray(const JsonValue& value, int depth) {
    if (value.items().empty()) {
        out_.Put("[]");
        return;
    }
    out_.Put('[');
    bool first = true;
    for (const JsonValue& item : value.items()) {
        if (!first) out_.Put(',');
        first = false;
        LineBreak(depth + 1);
        Write(item, depth + 1);
    }
    LineBreak(depth);
    out_.Put(']');
}

void Writer::WriteObject(const JsonValue& value, int depth) {
    if (value.members().empty()) {
        out_.Put("{}");
        return;
    }
    out_.Put('{');
    bool first = true;
    for (const JsonValue::Member& member : value.members()) {
        if (!first) out_.Put(',');
        first = false;
        LineBreak(depth + 1);
        PutString(member.first, out_);
        out_.Put(": ", indent_ < 0 ? 1 : 2);
        Write(member.second, depth + 1);
    }
    LineBreak(depth);
    out_.Put('}');
}

}  // namespace

std::string ToJson(const JsonValue& value, int indent) {
    std::string text;
    {
        Output out(text);
        Writer(indent, out).Write(value, 0);
    }
    return text;
}

void EscapeJsonString(std::string_view text, std::string& out) {
    Output output(out);
    PutEscaped(text, output);
}
