// JsonValue: construction, container access, the lenient conversions and
// the decimal number reading they share with the parser.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "core/json.h"
#include "core/json_number.h"

// Decimal numbers read the way strtod reads them, shared with the parser
// through json_number.h.
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The pieces of a decimal number as strtod would accept them.
struct DecimalText {
    bool negative = false;
    const char* intFirst = nullptr;  // integer digits
    const char* intLast = nullptr;
    const char* fracFirst = nullptr;  // fraction digits (empty without a point)
    const char* fracLast = nullptr;
    bool hasPointOrExponent = false;
    long long exponent = 0;  // clamped; only its size relative to the digits matters
    const char* end = nullptr;
};

// Reads the exponent at p when "e"/"E" is followed by an optional sign and at
// least one digit; otherwise the exponent is not part of the number.
const char* ScanExponent(const char* p, const char* last, long long* exponent) {
    if (p == last || (*p != 'e' && *p != 'E')) return p;
    const char* q = p + 1;
    bool negative = false;
    if (q != last && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q == last || !IsDigit(*q)) return p;
    long long value = 0;
    for (; q != last && IsDigit(*q); ++q) {
        // Beyond this any exponent is out of range anyway; clamping keeps the
        // arithmetic defined for texts like 1e99999999999999999999.
        if (value < 100000000) value = value * 10 + (*q - '0');
    }
    *exponent = negative ? -value : value;
    return q;
}

bool ScanDecimal(const char* first, const char* last, DecimalText* text) {
    const char* p = first;
    if (p != last && (*p == '+' || *p == '-')) text->negative = *p++ == '-';
    text->intFirst = p;
    while (p != last && IsDigit(*p)) ++p;
    text->intLast = p;
    text->fracFirst = text->fracLast = p;
    if (p != last && *p == '.') {
        const char* q = p + 1;
        while (q != last && IsDigit(*q)) ++q;
        text->fracFirst = p + 1;
        text->fracLast = q;
        p = q;
        text->hasPointOrExponent = true;
    }
    if (text->intFirst == text->intLast && text->fracFirst == text->fracLast) return false;
    const char* afterExponent = ScanExponent(p, last, &text->exponent);
    if (afterExponent != p) text->hasPointOrExponent = true;
    text->end = afterExponent;
    return true;
}

// from_chars leaves the value alone when it is out of range; decide between
// overflow and underflow from where the first significant digit stands.
double OutOfRangeMagnitude(const DecimalText& text) {
    const char* d = text.intFirst;
    while (d != text.intLast && *d == '0') ++d;
    long long leading;
    if (d != text.intLast) {
        leading = static_cast<long long>(text.intLast - d);
    } else {
        const char* f = text.fracFirst;
        while (f != text.fracLast && *f == '0') ++f;
        if (f == text.fracLast) return 0.0;
        leading = -static_cast<long long>(f - text.fracFirst);
    }
    return leading + text.exponent > 0 ? HUGE_VAL : 0.0;
}

double DecimalMagnitude(const DecimalText& text) {
    std::size_t digits = static_cast<std::size_t>(text.intLast - text.intFirst);
    if (!text.hasPointOrExponent && digits <= 18) {
        // Plain integers (ports, sizes) are the common case; up to 18 digits
        // fit exactly and the conversion to double rounds correctly.
        unsigned long long value = 0;
        for (const char* p = text.intFirst; p != text.intLast; ++p) value = value * 10 + (*p - '0');
        return static_cast<double>(value);
    }
    double value = 0.0;
    // from_chars takes no sign; it starts at the first digit or the point.
    std::from_chars_result result = std::from_chars(text.intFirst, text.end, value);
    if (result.ec == std::errc::result_out_of_range) return OutOfRangeMagnitude(text);
    if (result.ec != std::errc()) return 0.0;
    return value;
}

}  // namespace

std::size_t ReadJsonDecimal(const char* first, const char* last, double* value) {
    DecimalText text;
    if (!ScanDecimal(first, last, &text)) {
        *value = 0.0;
        return 0;
    }
    double magnitude = DecimalMagnitude(text);
    *value = text.negative ? -magnitude : magnitude;
    return static_cast<std::size_t>(text.end - first);
}

namespace {

// Reads text the way strtod would from its start: leading white space is
// skipped, then the longest decimal prefix. False when nothing can be read.
bool ReadLenientNumber(std::string_view text, double* value) {
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

JsonValue::JsonValue(bool flag) : payload_(flag) {}
JsonValue::JsonValue(int number) : payload_(static_cast<double>(number)) {}
JsonValue::JsonValue(double number) : payload_(number) {}
JsonValue::JsonValue(const char* text) {
    SetText(text != nullptr ? std::string_view(text) : std::string_view());
}
JsonValue::JsonValue(const std::string& text) {
    SetText(std::string_view(text));
}
JsonValue::JsonValue(std::string&& text) {
    SetText(std::move(text));
}
JsonValue::JsonValue(std::string_view text) {
    SetText(text);
}

void JsonValue::SetText(std::string_view text) {
    if (text.size() > ShortText::kCapacity) {
        payload_.emplace<std::string>(text);
        return;
    }
    ShortText& held = payload_.emplace<ShortText>();
    std::copy(text.begin(), text.end(), held.bytes);
    held.size = static_cast<unsigned char>(text.size());
}

void JsonValue::SetText(std::string&& text) {
    if (text.size() > ShortText::kCapacity) {
        payload_.emplace<std::string>(std::move(text));
    } else {
        SetText(std::string_view(text));
    }
}

JsonValue JsonValue::MakeArray() {
    JsonValue value;
    value.payload_.emplace<std::vector<JsonValue>>();
    return value;
}

JsonValue JsonValue::MakeObject() {
    JsonValue value;
    value.payload_.emplace<std::vector<Member>>();
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
    if (const auto* members = std::get_if<std::vector<Member>>(&payload_)) return members->size();
    if (const auto* items = std::get_if<std::vector<JsonValue>>(&payload_)) return items->size();
    return 0;
}

void JsonValue::reserve(std::size_t count) {
    if (auto* items = std::get_if<std::vector<JsonValue>>(&payload_)) items->reserve(count);
    if (auto* members = std::get_if<std::vector<Member>>(&payload_)) members->reserve(count);
}

JsonValue& JsonValue::push(JsonValue item) {
    auto* items = std::get_if<std::vector<JsonValue>>(&payload_);
    if (items == nullptr) items = &payload_.emplace<std::vector<JsonValue>>();
    items->push_back(std::move(item));
    return items->back();
}

const JsonValue& JsonValue::at(std::size_t index) const {
    const auto* items = std::get_if<std::vector<JsonValue>>(&payload_);
    if (items == nullptr || index >= items->size()) return SharedNull();
    return (*items)[index];
}

bool JsonValue::contains(std::string_view key) const {
    return &find(key) != &SharedNull();
}

const JsonValue& JsonValue::find(std::string_view key) const {
    for (const Member& member : members()) {
        if (SameKey(member.first, key)) return member.second;
    }
    return SharedNull();
}

// The hinted find's search when the member is not where the hint points.
const JsonValue& JsonValue::FindAround(std::string_view key, std::size_t* next) const {
    const std::vector<Member>& all = members();
    const std::size_t count = all.size();
    for (std::size_t n = 0, i = *next; n < count; ++n, ++i) {
        if (i >= count) i = 0;
        if (SameKey(all[i].first, key)) {
            *next = i + 1;
            return all[i].second;
        }
    }
    return SharedNull();
}

JsonValue& JsonValue::set(std::string_view key, JsonValue value) {
    auto* members = std::get_if<std::vector<Member>>(&payload_);
    if (members == nullptr) members = &payload_.emplace<std::vector<Member>>();
    for (Member& member : *members) {
        if (SameKey(member.first, key)) {
            member.second = std::move(value);
            return member.second;
        }
    }
    return append(key, std::move(value));
}

JsonValue& JsonValue::append(std::string_view key, JsonValue value) {
    auto* members = std::get_if<std::vector<Member>>(&payload_);
    if (members == nullptr) members = &payload_.emplace<std::vector<Member>>();
    // The key is made in place: no temporary text to move for every member.
    members->emplace_back(std::piecewise_construct, std::forward_as_tuple(key),
                          std::forward_as_tuple(std::move(value)));
    return members->back().second;
}

bool JsonValue::erase(std::string_view key) {
    auto* members = std::get_if<std::vector<Member>>(&payload_);
    if (members == nullptr) return false;
    for (auto it = members->begin(); it != members->end(); ++it) {
        if (SameKey(it->first, key)) {
            members->erase(it);
            return true;
        }
    }
    return false;
}

bool JsonValue::asBool(bool fallback) const {
    switch (type()) {
        case JsonType::Bool:
            return std::get<bool>(payload_);
        case JsonType::Number:
            return std::get<double>(payload_) != 0;
        case JsonType::String: {
            const std::string_view held = text();
            return !(held.empty() || held == "false" || held == "0");
        }
        default:
            return fallback;
    }
}

int JsonValue::asInt(int fallback) const {
    switch (type()) {
        case JsonType::Bool:
            return std::get<bool>(payload_) ? 1 : 0;
        case JsonType::Number:
            return TruncateToInt(std::get<double>(payload_), fallback);
        case JsonType::String: {
            double value = 0.0;
            return ReadLenientNumber(text(), &value) ? TruncateToInt(value, fallback) : fallback;
        }
        default:
            return fallback;
    }
}

double JsonValue::asNumber(double fallback) const {
    switch (type()) {
        case JsonType::Bool:
            return std::get<bool>(payload_) ? 1.0 : 0.0;
        case JsonType::Number:
            return std::get<double>(payload_);
        case JsonType::String: {
            double value = 0.0;
            return ReadLenientNumber(text(), &value) ? value : fallback;
        }
        default:
            return fallback;
    }
}

std::string JsonValue::asString(const std::string& fallback) const {
    switch (type()) {
        case JsonType::Bool:
            return std::get<bool>(payload_) ? "true" : "false";
        case JsonType::Number:
            return ShortNumberText(std::get<double>(payload_));
        case JsonType::String:
            return std::string(text());
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

// Members compare in order: the order is part of the document. Numbers
// compare as doubles (NaN equals nothing, -0 equals 0); texts by their bytes,
// whichever form holds them.
bool operator==(const JsonValue& a, const JsonValue& b) {
    if (a.type() == JsonType::String && b.type() == JsonType::String) return a.text() == b.text();
    return a.payload_ == b.payload_;
}
