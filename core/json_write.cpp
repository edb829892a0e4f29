// JSON writer: compact or indented text, appended to one growing string.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "core/json.h"

namespace {

// Grows geometrically even where a library's reserve() would allocate the
// exact size: the writer calls this once per string.
void EnsureRoom(std::string& out, std::size_t extra) {
    std::size_t needed = out.size() + extra;
    if (needed > out.capacity()) out.reserve(std::max(needed, out.capacity() * 2));
}

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

void AppendNumber(double value, std::string& out) {
    if (std::isnan(value)) {
        out += "null";
        return;
    }
    // Beyond the double range, so the parser reads these back as infinity.
    if (std::isinf(value)) {
        out += value < 0 ? "-1e999" : "1e999";
        return;
    }
    char buffer[32];
    std::to_chars_result result;
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    }
    out.append(buffer, result.ptr);
}

class Writer {
public:
    Writer(int indent, std::string& out) : indent_(indent), out_(out) {}
    void Write(const JsonValue& value, int depth);

private:
    void WriteString(std::string_view text) {
        out_.push_back('"');
        EscapeJsonString(text, out_);
        out_.push_back('"');
    }
    // One append of a ready-made line feed and indentation per line.
    void LineBreak(int depth) {
        if (indent_ < 0) return;
        std::size_t length = 1 + static_cast<std::size_t>(depth) * static_cast<std::size_t>(indent_);
        if (lineBreak_.size() < length) lineBreak_.resize(length, ' ');
        out_.append(lineBreak_.data(), length);
    }
    void WriteArray(const JsonValue& value, int depth);
    void WriteObject(const JsonValue& value, int depth);

    int indent_;
    std::string& out_;
    std::string lineBreak_ = "\n";  // a line feed, then spaces for the deepest level so far
};

void Writer::Write(const JsonValue& value, int depth) {
    switch (value.type()) {
        case JsonType::Null:
            out_ += "null";
            break;
        case JsonType::Bool:
            out_ += value.asBool(false) ? "true" : "false";
            break;
        case JsonType::Number:
            AppendNumber(value.asNumber(0.0), out_);
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

void Writer::WriteArray(const JsonValue& value, int depth) {
    if (value.items().empty()) {
        out_ += "[]";
        return;
    }
    out_.push_back('[');
    bool first = true;
    for (const JsonValue& item : value.items()) {
        if (!first) out_.push_back(',');
        first = false;
        LineBreak(depth + 1);
        Write(item, depth + 1);
    }
    LineBreak(depth);
    out_.push_back(']');
}

void Writer::WriteObject(const JsonValue& value, int depth) {
    if (value.members().empty()) {
        out_ += "{}";
        return;
    }
    out_.push_back('{');
    bool first = true;
    for (const JsonValue::Member& member : value.members()) {
        if (!first) out_.push_back(',');
        first = false;
        LineBreak(depth + 1);
        WriteString(member.first);
        out_.append(": ", indent_ < 0 ? 1 : 2);
        Write(member.second, depth + 1);
    }
    LineBreak(depth);
    out_.push_back('}');
}

}  // namespace

std::string ToJson(const JsonValue& value, int indent) {
    std::string out;
    out.reserve(256);
    Writer(indent, out).Write(value, 0);
    return out;
}

void EscapeJsonString(std::string_view text, std::string& out) {
    EnsureRoom(out, text.size() + 8);
    static const char kHex[] = "0123456789abcdef";
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        const char* run = p;
        while (p != end && kEscapes.code[static_cast<unsigned char>(*p)] == 0) ++p;
        out.append(run, static_cast<std::size_t>(p - run));
        if (p == end) break;
        unsigned char byte = static_cast<unsigned char>(*p++);
        char code = kEscapes.code[byte];
        if (code == 'u') {
            char escaped[6] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0x0F]};
            out.append(escaped, 6);
        } else {
            char escaped[2] = {'\\', code};
            out.append(escaped, 2);
        }
    }
}
