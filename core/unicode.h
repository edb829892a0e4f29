// Conversion between the program's UTF-8 text and the UTF-16 text of
// Windows calls. Empty input or a conversion the system refuses gives "".
#pragma once

#include <string>
#include <string_view>

std::wstring ToWide(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);
