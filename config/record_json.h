// A record's fields to and from JSON, generated from its field list
// (config/app_config.h): config.json's objects, and the members the page
// sees and sends. Every value is read leniently: missing, null or of the
// wrong type gives the field's default, as does a number its rule refuses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "config/record_fields.h"
#include "core/json.h"
#include "core/text.h"

namespace record_json {

// The value an enumeration keeps under name, or -1.
template <typename Enum>
int EnumNameIndex(std::string_view name) {
    using Names = EnumNames<Enum>;
    for (std::size_t i = 0; i < Names::kCount; ++i)
        if (name == Names::kNames[i]) return static_cast<int>(i);
    return -1;
}

template <typename Enum>
int EnumIndex(const JsonValue& value) {
    using Names = EnumNames<Enum>;
    if (value.isNumber()) {
        const double number = value.asNumber(-1);
        return number >= 0 && number < Names::kCount && number == static_cast<int>(number)
                   ? static_cast<int>(number)
                   : -1;
    }
    return value.isString() ? EnumNameIndex<Enum>(value.text()) : -1;
}

template <typename T>
T FieldFromJson(const FieldSpec& spec, const JsonValue& value, const T& fallback) {
    if constexpr (std::is_same_v<T, int>) {
        const int number = value.asInt(fallback);
        if (number >= spec.rule.low && number <= spec.rule.high) return number;
        return spec.has(kClamped) ? std::clamp(number, spec.rule.low, spec.rule.high) : fallback;
    } else if constexpr (std::is_same_v<T, bool>) {
        return value.asBool(fallback);
    } else if constexpr (std::is_same_v<T, std::string>) {
        return value.asString(fallback);
    } else if constexpr (std::is_same_v<T, TextList>) {
        if (!value.isArray()) return fallback;
        TextList list;
        for (const JsonValue& item : value.items())
            if (item.isString()) list.emplace_back(item.text());
        return list;
    } else {
        static_assert(std::is_enum_v<T>, "a field is int, bool, std::string, TextList or an enumeration");
        const int index = EnumIndex<T>(value);
        return index < 0 ? fallback : static_cast<T>(index);
    }
}

template <typename T>
JsonValue FieldToJson(const FieldSpec& spec, const T& value) {
    if constexpr (std::is_same_v<T, TextList>) {
        JsonValue list = JsonValue::MakeArray();
        for (const std::string& item : value) list.push(item);
        return list;
    } else if constexpr (std::is_enum_v<T>) {
        const int index = static_cast<int>(value);
        const bool named =
            !spec.has(kAsNumber) && index >= 0 && static_cast<std::size_t>(index) < EnumNames<T>::kCount;
        return named ? JsonValue(EnumNames<T>::kNames[index]) : JsonValue(index);
    } else {
        return JsonValue(value);
    }
}

inline bool OmittedAt(const FieldSpec& spec) {
    return spec.has(kSecret | kOmittedAtDefault);
}

// A record's defaults, made once.
template <typename Record>
const Record& Defaults() {
    static const Record defaults{};
    return defaults;
}

}  // namespace record_json

// config.json's object for the record, members in the list's order.
template <typename Record>
JsonValue RecordToJson(const Record& record) {
    JsonValue object = JsonValue::MakeObject();
    object.reserve(Record::kFieldCount);
    Record::ForEachField(
        [&object](const FieldSpec& spec, const auto& value, const auto& fallback) {
            if (record_json::OmittedAt(spec) && value == fallback) return;
            object.append(spec.name, record_json::FieldToJson(spec, value));  // a list names each field once
        },
        record, record_json::Defaults<Record>());
    return object;
}

namespace record_json {

// One of 64 bits for a key, from its length and its ends: a key whose bit
// no member of an object has set is none of its members.
inline std::uint64_t KeyBit(std::string_view key) {
    const unsigned mix = key.empty() ? 0u
                                     : static_cast<unsigned char>(key.front()) * 3u +
                                           static_cast<unsigned char>(key.back()) * 5u;
    return std::uint64_t{1} << ((key.size() * 7u + mix) & 63u);
}

}  // namespace record_json

// Reads every field of record from config.json's object; a value that is
// not an object has no members, so every field takes its default. Most
// fields a file leaves out (options at their defaults) are known missing
// from the object's key bits, without a search through every member.
template <typename Record>
void RecordFromJson(const JsonValue& object, Record& record) {
    const Record& defaults = record_json::Defaults<Record>();
    std::uint64_t keys = 0;
    for (const JsonValue::Member& member : object.members()) keys |= record_json::KeyBit(member.first);
    std::size_t next = 0;
    Record::ForEachField(
        [&object, &next, keys](const FieldSpec& spec, auto& value, const auto& fallback) {
            const std::string_view name = spec.name;
            const JsonValue& found =
                (keys & record_json::KeyBit(name)) != 0 ? object.find(name, &next) : JsonValue::SharedNull();
            value = record_json::FieldFromJson(spec, found, fallback);
        },
        record, defaults);
}

// The page's name of a field: a setting's has its group's prefix
// ("ping" + "IntervalSec"), a secret's says whether it is set
// ("hasPassword").
inline void AppendPageName(std::string& out, std::string_view prefix, const FieldSpec& spec) {
    if (spec.has(kSecret)) prefix = "has";
    out += prefix;
    const std::size_t at = out.size();
    out += spec.name;
    // ASCII alone, whatever the process locale.
    if (!prefix.empty() && out[at] >= 'a' && out[at] <= 'z') out[at] = static_cast<char>(out[at] - 'a' + 'A');
}

namespace record_json {

template <typename T>
void PutPageValue(JsonObjectText& out, const FieldSpec& spec, std::string_view name, const T& value) {
    if constexpr (std::is_same_v<T, std::string>) {
        if (spec.has(kSecret)) {
            out.Bool(name, !value.empty());
        } else {
            out.Text(name, value);
        }
    } else if constexpr (std::is_same_v<T, int>) {
        out.Int(name, value);
    } else if constexpr (std::is_same_v<T, bool>) {
        out.Bool(name, value);
    } else {
        out.Value(name, FieldToJson(spec, value));
    }
}

}  // namespace record_json

// The members the page sees, written in the list's order, the secrets'
// flags after the rest; one left out at its default in config.json is left
// out here too (the page takes the default for a missing member). One pass
// over the fields: a secret's flag is noted on the way and written after.
template <typename Record>
void PutPageMembers(JsonObjectText& out, const Record& record, std::string_view prefix) {
    std::string name;
    struct Noted {
        const char* name;
        bool set;
    };
    Noted secrets[Record::kFieldCount];  // only the first secretCount are written and read
    std::size_t secretCount = 0;
    Record::ForEachField(
        [&](const FieldSpec& spec, const auto& value, const auto& fallback) {
            if (!spec.has(kShown)) return;
            if (spec.has(kOmittedAtDefault) && value == fallback) return;
            if (spec.has(kSecret)) {
                // Sealed text (record_fields.h): only whether it is set.
                if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
                    secrets[secretCount++] = Noted{spec.name, !value.empty()};
                return;
            }
            if (prefix.empty()) {
                record_json::PutPageValue(out, spec, spec.name, value);
                return;
            }
            name.clear();
            AppendPageName(name, prefix, spec);
            record_json::PutPageValue(out, spec, name, value);
        },
        record, record_json::Defaults<Record>());
    for (std::size_t i = 0; i < secretCount; ++i) {
        name.clear();
        AppendPageName(name, prefix, FieldSpec{secrets[i].name, AsRule(kSecret)});
        out.Bool(name, secrets[i].set);
    }
}

// Applies the members the page sent (data is an object; anything else
// changes nothing) to the fields it may edit. A member sent but unreadable
// gives the field's default. A secret arrives as plain text and goes to
// takeSecret(spec, plain, sealed field), which seals it.
template <typename Record, typename TakeSecret>
void ApplyPageMembers(Record& record, const JsonValue& data, std::string_view prefix,
                      TakeSecret&& takeSecret) {
    std::string name;
    Record::ForEachField(
        [&](const FieldSpec& spec, auto& value, const auto& fallback) {
            if (!spec.has(kEdited)) return;
            name.clear();
            if (spec.has(kSecret)) {
                name = spec.name;
            } else {
                AppendPageName(name, prefix, spec);
            }
            const JsonValue& sent = data.find(name);
            if (&sent == &JsonValue::SharedNull()) return;  // not sent
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                if (spec.has(kSecret)) {
                    takeSecret(spec, sent.asString(""), value);
                    return;
                }
                value = sent.asString(fallback);
                if (spec.has(kTrimmed)) value = Trim(value);
            } else {
                value = record_json::FieldFromJson(spec, sent, fallback);
            }
        },
        record, record_json::Defaults<Record>());
}
