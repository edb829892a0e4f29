// JSON parser: a recursive descent over UTF-8 bytes that accepts comments,
// keeps the first error it meets and refuses nesting beyond kJsonMaxDepth.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "core/json.h"
#include "core/json_number.h"

const char* const kJsonTooDeepMessage = "嵌套层数过深";

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at p, or -1 when one of them is not a hex digit.
long HexUnit(const char* p) {
    long unit = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = HexValue(p[i]);
        if (digit < 0) return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

void AppendUtf8(unsigned long code, std::string* out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        char bytes[2] = {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
        out->append(bytes, 2);
    } else if (code < 0x10000) {
        char bytes[3] = {static_cast<char>(0xE0 | (code >> 12)),
                         static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                         static_cast<char>(0x80 | (code & 0x3F))};
        out->append(bytes, 3);
    } else {
        char bytes[4] = {
            static_cast<char>(0xF0 | (code >> 18)), static_cast<char>(0x80 | ((code >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((code >> 6) & 0x3F)), static_cast<char>(0x80 | (code & 0x3F))};
        out->append(bytes, 4);
    }
}

bool IsNumberByte(char c) {
    return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

// Finds the earlier member of an object being parsed that has the same key
// as the one just read. Keys seldom repeat, so a 64-bit mask of key hashes
// answers "new key" for most members without comparing any text; past
// kIndexFrom members a hash index takes over, so a hostile object with a huge
// number of keys costs linear time instead of quadratic.
class MemberIndex {
public:
    // members ends with the member whose key was just read; nullptr when no
    // earlier member has that key.
    JsonValue* EarlierWithSameKey(std::vector<JsonValue::Member>& members) {
        const std::string& key = members.back().first;
        const std::size_t earlier = members.size() - 1;
        if (earlier < kIndexFrom) {
            const std::uint64_t bit = KeyBit(key);
            if ((seen_ & bit) != 0) {
                for (std::size_t i = 0; i < earlier; ++i) {
                    if (members[i].first == key) return &members[i].second;
                }
            }
            seen_ |= bit;
            return nullptr;
        }
        if (positions_.empty()) {
            for (std::size_t i = 0; i < earlier; ++i) positions_.emplace(members[i].first, i);
        }
        const auto [found, added] = positions_.emplace(key, earlier);
        return added ? nullptr : &members[found->second].second;
    }

private:
    // Cheap on purpose: it only has to tell most keys of one object apart.
    static std::uint64_t KeyBit(const std::string& key) {
        if (key.empty()) return 1;
        const unsigned mix = static_cast<unsigned>(key.size()) * 7u +
                             static_cast<unsigned char>(key.front()) * 3u +
                             static_cast<unsigned char>(key.back());
        return std::uint64_t{1} << (mix & 63);
    }

    static constexpr std::size_t kIndexFrom = 32;
    std::uint64_t seen_ = 0;
    std::unordered_map<std::string, std::size_t> positions_;
};

// Containers at the same nesting level tend to have about the same size (the
// servers of a list, some with an optional member and some without), so each
// one starts with room for as many entries as the largest so far at its
// level: most containers never grow step by step. The hint is capped so that
// one huge container can't make every later small one reserve a huge block.
class SizeHints {
public:
    std::size_t At(int depth) const {
        const auto level = static_cast<std::size_t>(depth);
        return level < hints_.size() ? hints_[level] : 0;
    }
    void Record(int depth, std::size_t size) {
        const auto level = static_cast<std::size_t>(depth);
        if (hints_.size() <= level) hints_.resize(level + 1, 0);
        hints_[level] = std::max(hints_[level], std::min(size, kMaxHint));
    }

private:
    static constexpr std::size_t kMaxHint = 64;
    std::vector<std::size_t> hints_;
};

// The four blanks JSON allows, looked up in a table: an indented file's
// runs of spaces cost one question per byte rather than four.
constexpr std::array<bool, 256> kBlankBytes = [] {
    std::array<bool, 256> table{};
    table[' '] = table['\n'] = table['\r'] = table['\t'] = true;
    return table;
}();

bool IsBlank(char c) {
    return kBlankBytes[static_cast<unsigned char>(c)];
}

// A blank, or the slash that may open a comment: what makes SkipBlanks look further.
constexpr std::array<bool, 256> kBlankOrSlash = [] {
    std::array<bool, 256> table = kBlankBytes;
    table['/'] = true;
    return table;
}();

constexpr std::uint32_t kFourSpaces = 0x20202020u;

}  // namespace

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool ParseDocument(JsonValue* root) {
        SkipBlanks();
        if (!ParseValue(root, 0)) return false;
        SkipBlanks();
        if (p_ != end_) return Fail("结尾有多余内容");
        return true;
    }
    const char* error() const { return error_; }

private:
    using Items = std::vector<JsonValue>;
    using Members = std::vector<JsonValue::Member>;

    bool Fail(const char* message) {
        if (error_ == nullptr) error_ = message;
        return false;
    }
    // Most places where blanks may stand hold none, or the one space after
    // a colon of indented text; only more than that is worth a call.
    void SkipBlanks() {
        if (p_ != end_ && *p_ == ' ') ++p_;
        if (p_ != end_ && kBlankOrSlash[static_cast<unsigned char>(*p_)]) SkipBlanksAndComments();
    }
    void SkipBlanksAndComments();
    bool ParseValue(JsonValue* out, int depth);
    bool ParseLiteral(std::string_view word);
    bool ParseNumber(JsonValue* out);
    bool PlainString(std::string_view* text);
    bool ParseString(std::string* out);
    bool ParseEscape(std::string* out);
    bool ParseUnicodeEscape(std::string* out);
    bool ParseArray(JsonValue* out, int depth);
    bool ParseObject(JsonValue* out, int depth);
    bool ParseMember(Members& members, MemberIndex& index, int depth);

    const char* p_;
    const char* end_;
    const char* error_ = nullptr;
    SizeHints itemHints_;
    SizeHints memberHints_;
};

// Works on a local copy of the position: a member pointer would be stored
// back on every byte, since a char load may alias it.
void JsonParser::SkipBlanksAndComments() {
    const char* p = p_;
    for (;;) {
        // An indented file's lines open with runs of spaces: four at a time.
        for (std::uint32_t four = 0; end_ - p >= 4 && (std::memcpy(&four, p, 4), four == kFourSpaces);)
            p += 4;
        while (p != end_ && IsBlank(*p)) ++p;
        if (end_ - p < 2 || p[0] != '/') break;
        if (p[1] == '/') {
            // The line feed that ends the comment is skipped as a blank.
            const void* lineFeed = std::memchr(p + 2, '\n', static_cast<std::size_t>(end_ - p - 2));
            p = lineFeed != nullptr ? static_cast<const char*>(lineFeed) : end_;
        } else if (p[1] == '*') {
            p += 2;
            while (end_ - p >= 2 && !(p[0] == '*' && p[1] == '/')) ++p;
            p = end_ - p >= 2 ? p + 2 : end_;
        } else {
            break;
        }
    }
    p_ = p;
}

// out is always a fresh Null: a new slot, or a repeated key's value reset.
// Every payload is built in place, so nothing is moved after it was read.
bool JsonParser::ParseValue(JsonValue* out, int depth) {
    if (p_ == end_) return Fail("意外结束");
    switch (*p_) {
        case '{':
            return ParseObject(out, depth);
        case '[':
            return ParseArray(out, depth);
        case '"': {
            std::string_view plain;
            if (PlainString(&plain)) {
                out->SetText(plain);
                return true;
            }
            std::string text;
            if (!ParseString(&text)) return false;
            out->SetText(std::move(text));
            return true;
        }
        case 't':
            out->payload_.emplace<bool>(true);
            return ParseLiteral("true");
        case 'f':
            out->payload_.emplace<bool>(false);
            return ParseLiteral("false");
        case 'n':
            return ParseLiteral("null");
        default:
            return ParseNumber(out);
    }
}

// Nothing checks the byte after the word: "nullx" fails at the level that
// expected a separator or the end. (A Bool's flag is set before the check:
// a failed parse discards the whole tree.)
bool JsonParser::ParseLiteral(std::string_view word) {
    if (static_cast<std::size_t>(end_ - p_) < word.size() || std::memcmp(p_, word.data(), word.size()) != 0)
        return Fail("非法字面量");
    p_ += word.size();
    return true;
}

bool JsonParser::ParseNumber(JsonValue* out) {
    const char* start = p_;
    const char* p = p_;
    if (*p == '-' || *p == '+') ++p;
    if (p == end_ || !IsNumberByte(*p)) return Fail("非法数字");
    // Short unsigned integers (ports, sizes, flags) are read as they are
    // scanned; anything else goes the way strtod reads it.
    const char* digits = p;
    std::uint32_t value = 0;
    while (p != end_ && IsDigit(*p) && p - digits < 9)
        value = value * 10 + static_cast<std::uint32_t>(*p++ - '0');
    if (*start != '-' && *start != '+' && p != digits && (p == end_ || !IsNumberByte(*p))) {
        p_ = p;
        out->payload_.emplace<double>(value);
        return true;
    }
    while (p != end_ && IsNumberByte(*p)) ++p;
    p_ = p;
    // Whatever follows the longest valid leading part is ignored, as strtod does.
    ReadJsonDecimal(start, p, &out->payload_.emplace<double>());
    return true;
}

// Most strings hold no escape: their text is then the bytes between the
// quotes, and the string is made at its final size in one step. False, with
// nothing moved, for a string that needs ParseString.
bool JsonParser::PlainString(std::string_view* text) {
    const char* first = p_ + 1;
    const char* last = first;
    while (last != end_ && *last != '"' && *last != '\\') ++last;
    if (last == end_ || *last != '"') return false;
    *text = std::string_view(first, static_cast<std::size_t>(last - first));
    p_ = last + 1;
    return true;
}

bool JsonParser::ParseString(std::string* out) {
    ++p_;  // the opening quote
    for (;;) {
        const char* run = p_;
        const char* p = p_;
        while (p != end_ && *p != '"' && *p != '\\') ++p;
        p_ = p;
        out->append(run, static_cast<std::size_t>(p - run));
        if (p_ == end_) return Fail("字符串没有结束引号");
        if (*p_++ == '"') return true;
        if (!ParseEscape(out)) return false;
    }
}

bool JsonParser::ParseEscape(std::string* out) {
    if (p_ == end_) return Fail("转义不完整");
    char letter = *p_++;
    switch (letter) {
        case '"':
        case '\\':
        case '/':
            out->push_back(letter);
            return true;
        case 'b':
            out->push_back('\b');
            return true;
        case 'f':
            out->push_back('\f');
            return true;
        case 'n':
            out->push_back('\n');
            return true;
        case 'r':
            out->push_back('\r');
            return true;
        case 't':
            out->push_back('\t');
            return true;
        case 'u':
            return ParseUnicodeEscape(out);
        default:
            return Fail("未知的转义字符");
    }
}

bool JsonParser::ParseUnicodeEscape(std::string* out) {
    if (end_ - p_ < 4) return Fail("\\u 转义不完整");
    long unit = HexUnit(p_);
    if (unit < 0) return Fail("\\u 后面不是十六进制");
    p_ += 4;
    if (unit >= 0xD800 && unit <= 0xDBFF && end_ - p_ >= 6 && p_[0] == '\\' && p_[1] == 'u') {
        long low = HexUnit(p_ + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            p_ += 6;
            AppendUtf8(static_cast<unsigned long>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)), out);
            return true;
        }
        // Not a low surrogate: the next escape is read on its own afterwards.
    }
    AppendUtf8(static_cast<unsigned long>(unit), out);
    return true;
}

bool JsonParser::ParseArray(JsonValue* out, int depth) {
    if (depth >= kJsonMaxDepth) return Fail(kJsonTooDeepMessage);
    ++p_;
    Items& items = out->payload_.emplace<Items>();
    SkipBlanks();
    if (p_ != end_ && *p_ == ']') {
        ++p_;
        return true;
    }
    items.reserve(itemHints_.At(depth));
    for (;;) {
        SkipBlanks();
        items.emplace_back();
        if (!ParseValue(&items.back(), depth + 1)) return false;
        SkipBlanks();
        if (p_ == end_) return Fail("数组里缺少逗号或右方括号");
        char next = *p_++;
        if (next == ']') {
            itemHints_.Record(depth, items.size());
            return true;
        }
        if (next != ',') return Fail("数组里缺少逗号或右方括号");
    }
}

bool JsonParser::ParseObject(JsonValue* out, int depth) {
    if (depth >= kJsonMaxDepth) return Fail(kJsonTooDeepMessage);
    ++p_;
    Members& members = out->payload_.emplace<Members>();
    SkipBlanks();
    if (p_ != end_ && *p_ == '}') {
        ++p_;
        return true;
    }
    members.reserve(memberHints_.At(depth));
    MemberIndex index;
    for (;;) {
        SkipBlanks();
        if (!ParseMember(members, index, depth)) return false;
        SkipBlanks();
        if (p_ == end_) return Fail("对象里缺少逗号或右花括号");
        char next = *p_++;
        if (next == '}') {
            memberHints_.Record(depth, members.size());
            return true;
        }
        if (next != ',') return Fail("对象里缺少逗号或右花括号");
    }
}

// The key is read straight into a new last member. A repeated key gives
// that member up again and keeps the earlier position; its value is parsed
// over the earlier one.
bool JsonParser::ParseMember(Members& members, MemberIndex& index, int depth) {
    if (p_ == end_ || *p_ != '"') return Fail("对象的键必须是字符串");
    std::string_view plain;
    if (PlainString(&plain)) {
        members.emplace_back(std::piecewise_construct, std::forward_as_tuple(plain), std::forward_as_tuple());
    } else {
        members.emplace_back();
        if (!ParseString(&members.back().first)) return false;
    }
    SkipBlanks();
    if (p_ == end_ || *p_ != ':') return Fail("缺少冒号");
    ++p_;
    SkipBlanks();
    JsonValue* value = index.EarlierWithSameKey(members);
    if (value != nullptr) {
        members.pop_back();
        *value = JsonValue();
    } else {
        value = &members.back().second;
    }
    return ParseValue(value, depth + 1);
}

bool ParseJson(std::string_view text, JsonValue* out, std::string* error) {
    JsonParser parser(text);
    JsonValue root;
    if (parser.ParseDocument(&root)) {
        if (out != nullptr) *out = std::move(root);
        return true;
    }
    if (error != nullptr) *error = parser.error() != nullptr ? parser.error() : "";
    return false;
}
