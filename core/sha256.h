#pragma once

#include <string>
#include <string_view>

// SHA-256 of data from the system's cryptography provider, as 64 lower-case
// hex digits. On failure returns false and leaves *out untouched.
bool Sha256Hex(std::string_view data, std::string* out);
