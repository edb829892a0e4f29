// UTF-16 text as bytes, in either byte order, to and from the program's
// UTF-8, without the operating system: files written on Windows are read in
// the host build and its fuzzers too.
#pragma once

#include <string>
#include <string_view>

// Every unpaired surrogate becomes U+FFFD; an odd last byte is dropped.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
// Invalid UTF-8 (a stray byte, an overlong form, a surrogate) gives U+FFFD.
std::string Utf8ToUtf16LeBytes(std::string_view utf8);
// The same text with every invalid sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);
