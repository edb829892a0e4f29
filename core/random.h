#pragma once

#include <cstddef>
#include <string>

// n bytes from the system's preferred random generator, as 2n lower-case
// hex digits.
std::string RandomHex(std::size_t byteCount);
