// What a row of a record's field list (config/app_config.h) says about its
// field besides type, member, name and default: where it goes and how a
// value read from a document is corrected. The mappings to config.json and
// to the page (config/record_json.h) are generated from the rows.
#pragma once

#include <climits>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

struct FieldRule {
    unsigned flags = 0;
    // Whole numbers outside low..high are clamped into it, or, without
    // kClamped, replaced by the field's default.
    int low = INT_MIN;
    int high = INT_MAX;
};

enum FieldFlag : unsigned {
    // Sent to the page (a secret only as "has" + its name: whether it is set).
    kShown = 1u << 0,
    // Taken from the page; a secret is taken as plain text, to be sealed.
    kEdited = 1u << 1,
    kPage = kShown | kEdited,
    // Taken from the page without surrounding white space.
    kTrimmed = 1u << 2,
    // Sealed text (config/stored_password.h): config.json gets it only when
    // set, the page never.
    kSecret = 1u << 3,
    // Left out of config.json while at its default.
    kOmittedAtDefault = 1u << 4,
    // An enumeration kept as its number rather than its name.
    kAsNumber = 1u << 5,
    kClamped = 1u << 6,
};

constexpr FieldRule operator|(FieldRule rule, unsigned flags) {
    return FieldRule{rule.flags | flags, rule.low, rule.high};
}
constexpr FieldRule operator|(unsigned flags, FieldRule rule) {
    return rule | flags;
}
// Out of range: the field's default.
constexpr FieldRule InRange(int low, int high) {
    return FieldRule{0, low, high};
}
// Out of range: the nearest end of the range.
constexpr FieldRule Clamped(int low, int high) {
    return FieldRule{kClamped, low, high};
}
constexpr FieldRule AsRule(FieldRule rule) {
    return rule;
}
constexpr FieldRule AsRule(unsigned flags) {
    return FieldRule{flags};
}

// A list of short texts (drive letters and the like), kept as a JSON array
// of strings.
using TextList = std::vector<std::string>;

// The names an enumeration's values are kept under, indexed by value:
// declare them with TAVOLIN_ENUM_NAMES(Type, "first", "second", ...) beside
// the enumeration. A name or number that is none of them reads as the
// field's default.
template <typename Enum>
struct EnumNames;
#define TAVOLIN_ENUM_NAMES(Enum, ...)                            \
    template <>                                                  \
    struct EnumNames<Enum> {                                     \
        static constexpr const char* kNames[] = {__VA_ARGS__};   \
        static constexpr std::size_t kCount = std::size(kNames); \
    }

// One field as the mappings see it.
struct FieldSpec {
    const char* name;
    FieldRule rule;
    bool has(unsigned flag) const { return (rule.flags & flag) != 0; }
};

// The expansions of a field list's rows: X(Type, member, "name", default, rule).
#define TAVOLIN_FIELD_MEMBER(Type, member, name, fallback, rule) Type member = fallback;
#define TAVOLIN_FIELD_VISIT(Type, member, name, fallback, rule) \
    visit(FieldSpec{name, AsRule(rule)}, records.member...);
#define TAVOLIN_FIELD_COUNT(Type, member, name, fallback, rule) +1

// Inside a record: its members with their defaults, their number, and
// ForEachField(visit, records...), which calls visit(spec, member of each
// record...) for every field in the list's order.
#define TAVOLIN_RECORD_FIELDS(LIST)                                         \
    LIST(TAVOLIN_FIELD_MEMBER)                                              \
    static constexpr std::size_t kFieldCount = 0 LIST(TAVOLIN_FIELD_COUNT); \
    template <typename Visit, typename... Records>                          \
    static void ForEachField(Visit&& visit, Records&... records) {          \
        LIST(TAVOLIN_FIELD_VISIT)                                           \
    }

// The same for a record that also holds another record, its member sub of
// type SubType (declared by the record itself): sub's fields come after the
// record's own, in the same object, as if they were rows of the record's
// list.
#define TAVOLIN_RECORD_FIELDS_AND(LIST, SubType, sub)                                              \
    LIST(TAVOLIN_FIELD_MEMBER)                                                                     \
    static constexpr std::size_t kFieldCount = 0 LIST(TAVOLIN_FIELD_COUNT) + SubType::kFieldCount; \
    template <typename Visit, typename... Records>                                                 \
    static void ForEachField(Visit&& visit, Records&... records) {                                 \
        LIST(TAVOLIN_FIELD_VISIT)                                                                  \
        SubType::ForEachField(visit, records.sub...);                                              \
    }
