// The one document type of the program: a small JSON tree with lenient
// lookups, a writer (compact or indented) and a parser that reports the
// first error as a short Chinese message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

enum class JsonType : std::uint32_t { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

class JsonValue {
public:
    using Member = std::pair<std::string, JsonValue>;

    JsonValue() = default;
    JsonValue(bool flag);
    JsonValue(int number);
    JsonValue(double number);
    JsonValue(const char* text);  // nullptr counts as ""
    JsonValue(const std::string& text);
    JsonValue(std::string&& text);
    JsonValue(std::string_view text);

    static JsonValue MakeArray();
    static JsonValue MakeObject();
    // The process-wide read-only Null that every failed lookup returns.
    static const JsonValue& SharedNull();

    JsonType type() const {
        return payload_.index() == kShortTextIndex ? JsonType::String
                                                   : static_cast<JsonType>(payload_.index());
    }
    bool isNull() const { return type() == JsonType::Null; }
    bool isBool() const { return type() == JsonType::Bool; }
    bool isNumber() const { return type() == JsonType::Number; }
    bool isString() const { return type() == JsonType::String; }
    bool isArray() const { return type() == JsonType::Array; }
    bool isObject() const { return type() == JsonType::Object; }

    // Containers. push/set turn a value of another type into an empty
    // Array/Object first; at/find return SharedNull() when nothing is there.
    std::size_t size() const;
    // Room for count items (Array) or members (Object); no effect otherwise.
    void reserve(std::size_t count);
    JsonValue& push(JsonValue item);
    const JsonValue& at(std::size_t index) const;
    bool contains(std::string_view key) const;
    const JsonValue& find(std::string_view key) const;
    // The same, looking from member *next on (wrapping around) and leaving
    // *next after the member found: members read in the order they were
    // written are each found at once, which matters for the thousands of
    // objects of one shape a configuration holds.
    const JsonValue& find(std::string_view key, std::size_t* next) const {
        const std::vector<Member>& all = members();
        if (*next < all.size() && all[*next].first == key) return all[(*next)++].second;
        return FindAround(key, next);
    }
    JsonValue& set(std::string_view key, JsonValue value);
    // The same without looking for a member of that key first: for an object
    // being built whose keys the caller knows to be distinct (a record's
    // fields), where set's search would make building it quadratic.
    JsonValue& append(std::string_view key, JsonValue value);
    bool erase(std::string_view key);

    // The payloads as stored; empty for a value of another type.
    std::string_view text() const {
        if (const ShortText* held = std::get_if<ShortText>(&payload_)) return held->view();
        return Payload<std::string>();
    }
    const std::vector<JsonValue>& items() const { return Payload<std::vector<JsonValue>>(); }
    const std::vector<Member>& members() const { return Payload<std::vector<Member>>(); }

    // Lenient conversions: a wrong type gives the caller's default.
    bool asBool(bool fallback) const;
    int asInt(int fallback) const;
    double asNumber(double fallback) const;
    std::string asString(const std::string& fallback) const;

    // Member reads: a missing or null member gives the default.
    bool getBool(std::string_view key, bool fallback) const;
    int getInt(std::string_view key, int fallback) const;
    std::string getString(std::string_view key, const std::string& fallback) const;

    friend bool operator==(const JsonValue& a, const JsonValue& b);
    friend bool operator!=(const JsonValue& a, const JsonValue& b) { return !(a == b); }
    friend class JsonParser;  // builds members without a lookup per key

private:
    const JsonValue& FindAround(std::string_view key, std::size_t* next) const;

    template <typename T>
    const T& Payload() const {
        if (const T* held = std::get_if<T>(&payload_)) return *held;
        // Never destroyed, like the shared Null.
        static const T* const empty = new T();
        return *empty;
    }

    // Text of up to 31 bytes, held inside the node: most strings of a
    // document are that short, and each one held here is an allocation and
    // a free fewer.
    struct ShortText {
        static constexpr std::size_t kCapacity = 31;
        char bytes[kCapacity] = {};
        unsigned char size = 0;
        std::string_view view() const { return std::string_view(bytes, size); }
        bool operator==(const ShortText& other) const { return view() == other.view(); }
    };
    // Sets a String payload of the form that suits the text's length.
    void SetText(std::string_view text);
    void SetText(std::string&& text);

    // Only the payload of the current type is held, in the order of JsonType
    // (short texts last, as a second form of String), so the type is the
    // alternative's index. That keeps a node at 40 bytes: a document of
    // thousands of objects is mostly nodes, and the memory they take is most
    // of what reading, writing and freeing it costs.
    std::variant<std::monostate, bool, double, std::string, std::vector<JsonValue>, std::vector<Member>,
                 ShortText>
        payload_;
    static constexpr std::size_t kShortTextIndex = 6;
};

// Deepest nesting of arrays and objects the parser accepts; deeper input is
// refused with kJsonTooDeepMessage instead of exhausting the stack.
constexpr int kJsonMaxDepth = 512;
extern const char* const kJsonTooDeepMessage;

// indent < 0: compact, no whitespace at all; indent >= 0: that many spaces
// per level, one member or item per line.
std::string ToJson(const JsonValue& value, int indent);

// Appends the escaped form of text (without the surrounding quotes) to out.
void EscapeJsonString(std::string_view text, std::string& out);

// Writes one object's members straight into out as compact text, for
// documents too large and too often sent to be built as a tree first (the
// page's server list). The text is what ToJson(value, -1) makes of the same
// object. Member names are the program's own and need no escaping.
class JsonObjectText {
public:
    explicit JsonObjectText(std::string& out) : out_(out) {}
    void Text(std::string_view name, std::string_view text);
    void Int(std::string_view name, int number);
    void Bool(std::string_view name, bool flag);
    void Number(std::string_view name, double number);
    void Value(std::string_view name, const JsonValue& value);
    // The closing brace; an object without members is "{}".
    void End();

private:
    void Name(std::string_view name);
    std::string& out_;
    bool first_ = true;
};

// On success *out (when given) receives the tree and *error is untouched; on
// failure *out is untouched and *error (when given) receives the first
// error's message.
bool ParseJson(std::string_view text, JsonValue* out, std::string* error);
