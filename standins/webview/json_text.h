// Just enough JSON for the loader's checks: whether a text is one JSON value
// (as strict as the runtime's own reader, nesting included), the members of
// a top-level object, and string literals both ways. No operating system.
#pragma once

#include <string>
#include <string_view>

// Whole text is one JSON value, surrounding white space allowed.
bool IsJsonText(std::string_view text);
bool IsJsonObject(std::string_view text);

// The raw text of a top-level member's value in an object text; false when
// the text is no object or has no such member. A repeated name gives its
// last value, as a reader building the object would.
bool FindMember(std::string_view objectText, std::string_view name, std::string_view* value);

// Decodes a raw JSON string literal (quotes included) into UTF-8. Escaped
// lone surrogates become U+FFFD.
bool DecodeJsonString(std::string_view literal, std::string* out);

// The JSON string literal of a UTF-8 text.
std::string QuoteJson(std::string_view text);
