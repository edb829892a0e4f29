#include "standins/webview/json_text.h"

#include <cstdint>

namespace {

// The runtime's reader refuses documents nested deeper than this.
constexpr int kMaxDepth = 200;

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool AtEnd() {
        SkipSpace();
        return pos_ == text_.size();
    }
    bool Value(int depth);
    // Calls member(nameLiteral, valueText) for each member of the object at
    // the current position.
    template <typename Member>
    bool Object(int depth, Member&& member);

private:
    void SkipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }
    bool Take(char c) {
        SkipSpace();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    bool Word(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }
    bool Digits() {
        const size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
        return pos_ > start;
    }
    bool Number();
    bool String();
    bool Array(int depth);

    std::string_view text_;
    size_t pos_ = 0;
};

bool Scanner::Number() {
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '0') {
        ++pos_;
    } else if (!Digits()) {
        return false;
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
        ++pos_;
        if (!Digits()) return false;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
        ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
        if (!Digits()) return false;
    }
    return true;
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool Scanner::String() {
    if (pos_ >= text_.size() || text_[pos_] != '"') return false;
    ++pos_;
    while (pos_ < text_.size()) {
        const unsigned char c = static_cast<unsigned char>(text_[pos_++]);
        if (c == '"') return true;
        if (c < 0x20) return false;
        if (c != '\\') continue;
        if (pos_ >= text_.size()) return false;
        const char escape = text_[pos_++];
        if (escape == 'u') {
            for (int i = 0; i < 4; ++i, ++pos_) {
                if (pos_ >= text_.size() || !IsHex(text_[pos_])) return false;
            }
        } else if (std::string_view("\"\\/bfnrt").find(escape) == std::string_view::npos) {
            return false;
        }
    }
    return false;
}

bool Scanner::Array(int depth) {
    if (Take(']')) return true;
    do {
        if (!Value(depth + 1)) return false;
    } while (Take(','));
    return Take(']');
}

template <typename Member>
bool Scanner::Object(int depth, Member&& member) {
    if (!Take('{')) return false;
    if (Take('}')) return true;
    do {
        SkipSpace();
        const size_t nameStart = pos_;
        if (!String()) return false;
        const std::string_view name = text_.substr(nameStart, pos_ - nameStart);
        if (!Take(':')) return false;
        SkipSpace();
        const size_t valueStart = pos_;
        if (!Value(depth + 1)) return false;
        member(name, text_.substr(valueStart, pos_ - valueStart));
    } while (Take(','));
    return Take('}');
}

bool Scanner::Value(int depth) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    switch (text_[pos_]) {
        case '{':
            return Object(depth, [](std::string_view, std::string_view) {});
        case '[':
            ++pos_;
            return Array(depth);
        case '"':
            return String();
        case 't':
            return Word("true");
        case 'f':
            return Word("false");
        case 'n':
            return Word("null");
        default:
            return Number();
    }
}

unsigned HexValue(std::string_view hex) {
    unsigned value = 0;
    for (const char c : hex) {
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return value;
}

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | (code >> 6));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += static_cast<char>(0xE0 | (code >> 12));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (code >> 18));
        *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point of the \u escape at literal[i] (i at the backslash), with a
// following low surrogate joined; i ends after what was used.
uint32_t EscapedCodePoint(std::string_view literal, size_t* i) {
    const uint32_t first = HexValue(literal.substr(*i + 2, 4));
    *i += 6;
    if (first >= 0xDC00 && first <= 0xDFFF) return 0xFFFD;
    if (first < 0xD800 || first > 0xDBFF) return first;
    if (literal.substr(*i, 2) != "\\u") return 0xFFFD;
    const uint32_t second = HexValue(literal.substr(*i + 2, 4));
    if (second < 0xDC00 || second > 0xDFFF) return 0xFFFD;
    *i += 6;
    return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
}

}  // namespace

bool IsJsonText(std::string_view text) {
    Scanner scanner(text);
    return scanner.Value(1) && scanner.AtEnd();
}

bool IsJsonObject(std::string_view text) {
    Scanner scanner(text);
    return scanner.Object(1, [](std::string_view, std::string_view) {}) && scanner.AtEnd();
}

bool FindMember(std::string_view objectText, std::string_view name, std::string_view* value) {
    Scanner scanner(objectText);
    bool found = false;
    const bool ok = scanner.Object(1, [&](std::string_view literal, std::string_view raw) {
        std::string decoded;
        if (DecodeJsonString(literal, &decoded) && decoded == name) {
            *value = raw;
            found = true;
        }
    });
    return ok && scanner.AtEnd() && found;
}

bool DecodeJsonString(std::string_view literal, std::string* out) {
    Scanner scanner(literal);
    if (!scanner.Value(1) || !scanner.AtEnd() || literal.empty() || literal.front() != '"') return false;
    out->clear();
    const size_t end = literal.rfind('"');
    for (size_t i = literal.find('"') + 1; i < end;) {
        if (literal[i] != '\\') {
            *out += literal[i++];
            continue;
        }
        const char escape = literal[i + 1];
        if (escape == 'u') {
            AppendUtf8(EscapedCodePoint(literal, &i), out);
            continue;
        }
        const char* const from = "\"\\/bfnrt";
        const char* const to = "\"\\/\b\f\n\r\t";
        *out += to[std::string_view(from).find(escape)];
        i += 2;
    }
    return true;
}

std::string QuoteJson(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}
