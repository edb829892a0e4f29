// JSON writer: compact or indented text, written into one buffer that is
// sized for the whole document before the first byte is written.
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
// Room made for a number: "%.10g" gives at most 17 bytes (a sign, ten
// digits, a point and "e-308").
constexpr std::size_t kNumberRoom = 32;
constexpr std::size_t kLongestNumber = 17;

// Writes the escaped text at dest, which has room for
// kMaxEscapedBytes * text.size() bytes; returns the end of what it wrote.
char* EscapeInto(std::string_view text, char* dest) {
    static const char kHex[] = "0123456789abcdef";
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        // Copied byte by byte: most texts are a few bytes long, shorter than
        // a call to memcpy is worth.
        while (p != end && kEscapes.code[static_cast<unsigned char>(*p)] == 0) *dest++ = *p++;
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

// Integers below 1e15 are written as such; everything else with "%.10g".
bool IsPlainInteger(double value) {
    return std::fabs(value) < 1e15 && value == std::trunc(value);
}

std::size_t DigitCount(double magnitude) {
    std::size_t digits = 1;
    for (double limit = 10; magnitude >= limit && digits < 15; limit *= 10) ++digits;
    return digits;
}

// The length of the text ToJson writes, short only by what escaping adds.
// One pass over the tree is far cheaper than growing the text as it is
// written: each growth copies the whole text into fresh memory, and the
// fresh pages alone cost more than the writing.
class Measure {
public:
    explicit Measure(int indent) : indent_(indent) {}

    std::size_t Of(const JsonValue& value, std::size_t depth) const {
        switch (value.type()) {
            case JsonType::Null:
                return 4;
            case JsonType::Bool:
                return value.asBool(false) ? 4 : 5;
            case JsonType::Number: {
                const double number = value.asNumber(0.0);
                if (!IsPlainInteger(number)) return kLongestNumber;
                return (number < 0 ? 1 : 0) + DigitCount(std::fabs(number));
            }
            case JsonType::String:
                return value.text().size() + 2;
            case JsonType::Array:
                return OfItems(value, depth);
            case JsonType::Object:
                return OfMembers(value, depth);
        }
        return 0;
    }

private:
    // The brackets, the commas and, when indented, every line break with its
    // indentation.
    std::size_t Frame(std::size_t count, std::size_t depth) const {
        if (count == 0) return 2;
        std::size_t length = 2 + (count - 1);
        if (indent_ >= 0) length += count * LineBreak(depth + 1) + LineBreak(depth);
        return length;
    }
    std::size_t LineBreak(std::size_t depth) const { return 1 + depth * static_cast<std::size_t>(indent_); }

    std::size_t OfItems(const JsonValue& value, std::size_t depth) const {
        std::size_t length = Frame(value.items().size(), depth);
        for (const JsonValue& item : value.items()) length += Of(item, depth + 1);
        return length;
    }
    std::size_t OfMembers(const JsonValue& value, std::size_t depth) const {
        const std::size_t colon = indent_ < 0 ? 1 : 2;
        std::size_t length = Frame(value.members().size(), depth);
        for (const JsonValue::Member& member : value.members())
            length += member.first.size() + 2 + colon + Of(member.second, depth + 1);
        return length;
    }

    int indent_;
};

// The text being written. Every piece goes through a plain pointer into
// room made beforehand; the string is resized only when it must grow, and
// cut to the written length at the end.
class Output {
public:
    Output(std::string& text, std::size_t expected) : text_(text), length_(text.size()) {
        // A little more than expected: escapes need a few bytes, and callers
        // may add a line feed without another copy.
        text_.resize(length_ + expected + expected / 64 + 64);
    }
    ~Output() { text_.resize(length_); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    char* Room(std::size_t count) {
        if (text_.size() - length_ < count) Grow(count);
        return &text_[0] + length_;
    }
    void Done(const char* end) { length_ = static_cast<std::size_t>(end - text_.data()); }

private:
    // Capacity grows geometrically, but only a slice past what is needed is
    // sized (and so zero-filled): filling the whole doubled block would touch
    // every page of it for nothing.
    void Grow(std::size_t count) {
        const std::size_t needed = length_ + count + kSlice;
        if (text_.capacity() < needed) text_.reserve(std::max(needed, text_.capacity() * 2));
        text_.resize(needed);
    }
    static constexpr std::size_t kSlice = 4096;

    std::string& text_;
    std::size_t length_;
};

char* Put(std::string_view bytes, char* dest) {
    std::memcpy(dest, bytes.data(), bytes.size());
    return dest + bytes.size();
}

// Writes the number at dest, which has kNumberRoom bytes of room.
char* PutNumber(double value, char* dest) {
    if (std::isnan(value)) return Put("null", dest);
    // Beyond the double range, so the parser reads these back as infinity.
    if (std::isinf(value)) return Put(value < 0 ? "-1e999" : "1e999", dest);
    if (IsPlainInteger(value))
        return std::to_chars(dest, dest + kNumberRoom, static_cast<long long>(value)).ptr;
    return std::to_chars(dest, dest + kNumberRoom, value, std::chars_format::general, 10).ptr;
}

void PutEscaped(std::string_view text, Output& out) {
    while (text.size() > kSliceBytes) {
        const std::string_view slice = text.substr(0, kSliceBytes);
        out.Done(EscapeInto(slice, out.Room(slice.size() * kMaxEscapedBytes)));
        text.remove_prefix(slice.size());
    }
    out.Done(EscapeInto(text, out.Room(text.size() * kMaxEscapedBytes)));
}

class Writer {
public:
    Writer(int indent, Output& out) : indent_(indent), out_(out) {}
    void Write(const JsonValue& value, std::size_t depth);

private:
    void WriteArray(const JsonValue& value, std::size_t depth);
    void WriteObject(const JsonValue& value, std::size_t depth);
    void WriteString(std::string_view text);

    // Writes the separator before an item or member and, when indented, the
    // line break with the level's indentation; dest has SeparatorBytes room.
    char* Separate(bool first, std::size_t depth, char* dest) {
        if (!first) *dest++ = ',';
        if (indent_ < 0) return dest;
        const std::size_t length = 1 + depth * static_cast<std::size_t>(indent_);
        if (lineBreaks_.size() < length) lineBreaks_.resize(length, ' ');
        std::memcpy(dest, lineBreaks_.data(), length);
        return dest + length;
    }
    std::size_t SeparatorBytes(std::size_t depth) const {
        return indent_ < 0 ? 1 : 2 + depth * static_cast<std::size_t>(indent_);
    }
    void Close(char bracket, std::size_t depth) {
        char* dest = out_.Room(SeparatorBytes(depth) + 1);
        if (indent_ >= 0) dest = Separate(true, depth, dest);
        *dest++ = bracket;
        out_.Done(dest);
    }

    int indent_;
    Output& out_;
    std::string lineBreaks_ = "\n";  // a line feed, then spaces for the deepest level so far
};

void Writer::Write(const JsonValue& value, std::size_t depth) {
    switch (value.type()) {
        case JsonType::Null:
            out_.Done(Put("null", out_.Room(4)));
            break;
        case JsonType::Bool:
            out_.Done(Put(value.asBool(false) ? "true" : "false", out_.Room(5)));
            break;
        case JsonType::Number:
            out_.Done(PutNumber(value.asNumber(0.0), out_.Room(kNumberRoom)));
            break;
        case JsonType::String:
            WriteString(value.text());
            break;
        case JsonType::Array:
            WriteArray(value, depth);
            break;
        case JsonType::Object:
            WriteObject(value, depth);
            break;
    }
}

void Writer::WriteString(std::string_view text) {
    if (text.size() > kSliceBytes) {
        out_.Done(Put("\"", out_.Room(1)));
        PutEscaped(text, out_);
        out_.Done(Put("\"", out_.Room(1)));
        return;
    }
    char* dest = out_.Room(text.size() * kMaxEscapedBytes + 2);
    *dest++ = '"';
    dest = EscapeInto(text, dest);
    *dest++ = '"';
    out_.Done(dest);
}

void Writer::WriteArray(const JsonValue& value, std::size_t depth) {
    if (value.items().empty()) {
        out_.Done(Put("[]", out_.Room(2)));
        return;
    }
    out_.Done(Put("[", out_.Room(1)));
    bool first = true;
    for (const JsonValue& item : value.items()) {
        out_.Done(Separate(first, depth + 1, out_.Room(SeparatorBytes(depth + 1))));
        first = false;
        Write(item, depth + 1);
    }
    Close(']', depth);
}

// The separator, the key and the colon of a member go into one room; long
// keys take the general way.
void Writer::WriteObject(const JsonValue& value, std::size_t depth) {
    if (value.members().empty()) {
        out_.Done(Put("{}", out_.Room(2)));
        return;
    }
    out_.Done(Put("{", out_.Room(1)));
    const std::string_view colon = indent_ < 0 ? ":" : ": ";
    bool first = true;
    for (const JsonValue::Member& member : value.members()) {
        const std::string& key = member.first;
        if (key.size() <= kSliceBytes) {
            char* dest = out_.Room(SeparatorBytes(depth + 1) + key.size() * kMaxEscapedBytes + 4);
            dest = Separate(first, depth + 1, dest);
            *dest++ = '"';
            dest = EscapeInto(key, dest);
            *dest++ = '"';
            out_.Done(Put(colon, dest));
        } else {
            out_.Done(Separate(first, depth + 1, out_.Room(SeparatorBytes(depth + 1))));
            WriteString(key);
            out_.Done(Put(colon, out_.Room(2)));
        }
        first = false;
        Write(member.second, depth + 1);
    }
    Close('}', depth);
}

void AppendJson(const JsonValue& value, int indent, std::string& text) {
    Output out(text, Measure(indent).Of(value, 0));
    Writer(indent, out).Write(value, 0);
}

}  // namespace

std::string ToJson(const JsonValue& value, int indent) {
    std::string text;
    AppendJson(value, indent, text);
    return text;
}

// Most texts need no escape at all: their clean start is copied as it is,
// and room for the worst case is made (and filled) only for what follows.
// Making it for every text was two thirds of writing the page's server
// list, which writes its texts one by one.
void EscapeJsonString(std::string_view text, std::string& out) {
    std::size_t clean = 0;
    while (clean < text.size() && kEscapes.code[static_cast<unsigned char>(text[clean])] == 0) ++clean;
    out.append(text.data(), clean);
    if (clean == text.size()) return;
    Output output(out, text.size() - clean);
    PutEscaped(text.substr(clean), output);
}

void JsonObjectText::Name(std::string_view name) {
    // One append for the separator, the quoted name and the colon: a
    // document of thousands of objects writes one name per member.
    char text[64];
    if (name.size() + 4 > sizeof text) {
        out_ += first_ ? "{\"" : ",\"";
        out_ += name;
        out_ += "\":";
    } else {
        text[0] = first_ ? '{' : ',';
        text[1] = '"';
        std::memcpy(text + 2, name.data(), name.size());
        text[name.size() + 2] = '"';
        text[name.size() + 3] = ':';
        out_.append(text, name.size() + 4);
    }
    first_ = false;
}

void JsonObjectText::Text(std::string_view name, std::string_view text) {
    Name(name);
    out_ += '"';
    EscapeJsonString(text, out_);
    out_ += '"';
}

void JsonObjectText::Int(std::string_view name, int number) {
    Name(name);
    char digits[16];
    out_.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void JsonObjectText::Bool(std::string_view name, bool flag) {
    Name(name);
    out_ += flag ? "true" : "false";
}

void JsonObjectText::Number(std::string_view name, double number) {
    Name(name);
    char text[kNumberRoom];
    out_.append(text, PutNumber(number, text));
}

void JsonObjectText::Value(std::string_view name, const JsonValue& value) {
    Name(name);
    AppendJson(value, -1, out_);
}

void JsonObjectText::End() {
    out_ += first_ ? "{}" : "}";
}
