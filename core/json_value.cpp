// JsonValue: construction, container access and the lenient conversions.
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "core/json.h"
#include "core/json_number.h"

namespace {

// Reads text the way strtod would from its start: leading white space is
// skipped, then the longest decimal prefix. False when nothing can be read.
bool ReadLenientNumber(const std::string& text, double* value) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    return ReadJsonDecimal(p, end, value) != 0;
}

// Config files may hold numbers like 1e300; a plain cast of those to int
// would be undefined, so they saturate instead.
int TruncateToInt(double value, int fallback) {
    if (std::isnan(value)) return fallback;
    if (value >= 2147483648.0) return INT_MAX;
    if (value <= -2147483649.0) return INT_MIN;
    return static_cast<int>(value);
}

// "%lld" when the number survives a round trip through a 64-bit integer,
// otherwise "%g"; to_chars keeps this independent of the process locale.
std::string ShortNumberText(double value) {
    char buffer[64];
    std::to_chars_result result;
    if (value >= -9223372036854775808.0 && value < 9223372036854775808.0 &&
        static_cast<double>(static_cast<long long>(value)) == value) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    }
    return std::string(buffer, result.ptr);
}

// Keys of one object often share a length; looking at the first byte before
// comparing the rest saves most of the comparisons a lookup makes.
bool SameKey(const std::string& key, std::string_view wanted) {
    return key.size() == wanted.size() && (wanted.empty() || key[0] == wanted[0]) &&
           std::memcmp(key.data(), wanted.data(), wanted.size()) == 0;
}

}  // namespace

JsonValue::JsonValue(bool flag) : type_(JsonType::Bool), boolean_(flag) {}
JsonValue::JsonValue(int number) : type_(JsonType::Number), number_(number) {}
JsonValue::JsonValue(double number) : type_(JsonType::Number), number_(number) {}
JsonValue::JsonValue(const char* text) : type_(JsonType::String), text_(text != nullptr ? text : "") {}
JsonValue::JsonValue(const std::string& text) : type_(JsonType::String), text_(text) {}
JsonValue::JsonValue(std::string&& text) : type_(JsonType::String), text_(std::move(text)) {}
JsonValue::JsonValue(std::string_view text) : type_(JsonType::String), text_(text) {}

JsonValue JsonValue::MakeArray() {
    JsonValue value;
    value.type_ = JsonType::Array;
    return value;
}

JsonValue JsonValue::MakeObject() {
    JsonValue value;
    value.type_ = JsonType::Object;
    return value;
}

const JsonValue& JsonValue::SharedNull() {
    // Never destroyed, so lookups made from other static objects' destructors
    // at exit still get a live value.
    static const JsonValue* const shared = new JsonValue();
    return *shared;
}

namespace {
// Creates the shared Null before main runs, so no thread races to do it.
[[maybe_unused]] const JsonValue& kSharedNullAtStartup = JsonValue::SharedNull();
}  // namespace

std::size_t JsonValue::size() const {
    if (type_ == JsonType::Object) return members_.size();
    if (type_ == JsonType::Array) return items_.size();
    return 0;
}

void JsonValue::reserve(std::size_t count) {
    if (type_ == JsonType::Array) items_.reserve(count);
    if (type_ == JsonType::Object) members_.reserve(count);
}

JsonValue& JsonValue::push(JsonValue item) {
    if (type_ != JsonType::Array) *this = MakeArray();
    items_.push_back(std::move(item));
    return items_.back();
}

const JsonValue& JsonValue::at(std::size_t index) const {
    if (type_ != JsonType::Array || index >= items_.size()) return SharedNull();
    return items_[index];
}

bool JsonValue::contains(std::string_view key) const {
    return &find(key) != &SharedNull();
}

const JsonValue& JsonValue::find(std::string_view key) const {
    if (type_ != JsonType::Object) return SharedNull();
    for (const Member& member : members_) {
        if (SameKey(member.first, key)) return member.second;
    }
    return SharedNull();
}

JsonValue& JsonValue::set(std::string_view key, JsonValue value) {
    if (type_ != JsonType::Object) *this = MakeObject();
    for (Member& member : members_) {
        if (SameKey(member.first, key)) {
            member.second = std::move(value);
            return member.second;
        }
    }
    members_.emplace_back(std::string(key), std::move(value));
    return members_.back().second;
}

bool JsonValue::erase(std::string_view key) {
    if (type_ != JsonType::Object) return false;
    for (auto it = members_.begin(); it != members_.end(); ++it) {
        if (SameKey(it->first, key)) {
            members_.erase(it);
            return true;
        }
    }
    return false;
}

bool JsonValue::asBool(bool fallback) const {
    switch (type_) {
        case JsonType::Bool:
            return boolean_;
        case JsonType::Number:
            return number_ != 0;
        case JsonType::String:
            return !(text_.empty() || text_ == "false" || text_ == "0");
        default:
            return fallback;
    }
}

int JsonValue::asInt(int fallback) const {
    switch (type_) {
        case JsonType::Bool:
            return boolean_ ? 1 : 0;
        case JsonType::Number:
            return TruncateToInt(number_, fallback);
        case JsonType::String: {
            double value = 0.0;
            return ReadLenientNumber(text_, &value) ? TruncateToInt(value, fallback) : fallback;
        }
        default:
            return fallback;
    }
}

double JsonValue::asNumber(double fallback) const {
    switch (type_) {
        case JsonType::Bool:
            return boolean_ ? 1.0 : 0.0;
        case JsonType::Number:
            return number_;
        case JsonType::String: {
            double value = 0.0;
            return ReadLenientNumber(text_, &value) ? value : fallback;
        }
        default:
            return fallback;
    }
}

std::string JsonValue::asString(const std::string& fallback) const {
    switch (type_) {
        case JsonType::Bool:
            return boolean_ ? "true" : "false";
        case JsonType::Number:
            return ShortNumberText(number_);
        case JsonType::String:
            return text_;
        default:
            return fallback;
    }
}

// A missing member is the shared Null, and Null converts to the default.
bool JsonValue::getBool(std::string_view key, bool fallback) const {
    return find(key).asBool(fallback);
}
int JsonValue::getInt(std::string_view key, int fallback) const {
    return find(key).asInt(fallback);
}
std::string JsonValue::getString(std::string_view key, const std::string& fallback) const {
    return find(key).asString(fallback);
}

// Members compare in order: the order is part of the document.
bool operator==(const JsonValue& a, const JsonValue& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
        case JsonType::Null:
            return true;
        case JsonType::Bool:
            return a.boolean_ == b.boolean_;
        case JsonType::Number:
            return a.number_ == b.number_;
        case JsonType::String:
            return a.text_ == b.text_;
        case JsonType::Array:
            return a.items_ == b.items_;
        case JsonType::Object:
            return a.members_ == b.members_;
    }
    return false;
}
