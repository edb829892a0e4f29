// Locale-independent decimal number reading shared by the JSON parser and
// the lenient String conversions of JsonValue. Internal to the JSON library.
#pragma once

#include <cstddef>

// Reads the longest leading part of [first, last) that forms a decimal
// floating-point number the way the C library's strtod does (one optional
// sign, digits with an optional point, an optional exponent), without
// hexadecimal forms or the words inf/nan and without skipping white space.
// Returns the number of bytes that part spans, 0 when there is none (then
// *value is 0). Values beyond the double range become +/-infinity, values
// too small become +/-0.
std::size_t ReadJsonDecimal(const char* first, const char* last, double* value);
