// Text helpers that need no operating system.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

// Removes every leading and trailing byte of value 0x20 or below; bytes of
// multi-byte characters (0x80 and above) are never removed.
std::string Trim(std::string_view text);

// Lower-case hexadecimal, high nibble first.
std::string HexLower(std::string_view bytes);

// Standard alphabet with "=" padding, no line breaks.
std::string Base64Encode(std::string_view bytes);
// Stops at the first "=", skips every character outside the alphabet and
// never reports an error.
std::string Base64Decode(std::string_view text);

// printf-style formatting into UTF-8 text; a formatting error gives "".
std::string Format(const char* format, ...);
std::string FormatV(const char* format, va_list args);

// A pointer-sized value as fixed-width upper-case hex without "0x"
// ("00007FF612345678" on 64-bit), whatever the C runtime's own "%p" would
// print, so log records read the same everywhere.
std::string PointerHex(std::uintptr_t value);

// a empty: b; b empty: a; a ending in "\" or "/": a + b; else a + "\" + b.
std::string JoinPath(std::string_view a, std::string_view b);

// The longest prefix of text of at most maxBytes bytes that does not end
// inside a multi-byte UTF-8 character, for texts cut to fit a log line, a
// toast or a reply.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// Reads text made only of the digits 0-9 as a non-negative int. False for an
// empty text, any other character, or a value beyond the int range.
bool ParseDigits(std::string_view text, int* value);
