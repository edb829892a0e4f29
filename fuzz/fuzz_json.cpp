// Parses arbitrary bytes; whatever parses must survive writing (compact and
// indented) and reading back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/json.h"

namespace {

// The tree the written text describes: the writer keeps ten significant
// digits of a number (12345678901.5 is written 1.23456789e+10, which reads
// back as an integer and is then written 12345678900) and writes NaN as
// null. Every other byte of the document must come back as it was.
JsonValue AsWritten(const JsonValue& value) {
    switch (value.type()) {
        case JsonType::Number: {
            JsonValue reread;
            if (!ParseJson(ToJson(value, -1), &reread, nullptr)) std::abort();
            return reread;
        }
        case JsonType::Array: {
            JsonValue copy = JsonValue::MakeArray();
            for (const JsonValue& item : value.items()) copy.push(AsWritten(item));
            return copy;
        }
        case JsonType::Object: {
            JsonValue copy = JsonValue::MakeObject();
            for (const JsonValue::Member& member : value.members())
                copy.set(member.first, AsWritten(member.second));
            return copy;
        }
        default:
            return value;
    }
}

void CheckRoundTrip(const JsonValue& tree, const JsonValue& expected, int indent) {
    std::string written = ToJson(tree, indent);
    JsonValue reread;
    std::string error;
    if (!ParseJson(written, &reread, &error)) std::abort();
    if (ToJson(reread, indent) != ToJson(expected, indent)) std::abort();
    if (reread != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue tree;
    std::string error;
    if (!ParseJson(text, &tree, &error)) {
        // Every failure names its cause.
        if (error.empty()) std::abort();
        return 0;
    }
    const JsonValue expected = AsWritten(tree);
    CheckRoundTrip(tree, expected, -1);
    CheckRoundTrip(tree, expected, 2);
    return 0;
}
