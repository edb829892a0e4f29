// The native build's random source (tests, fuzzers, benchmarks).
#include <random>

#include "core/random.h"
#include "core/text.h"

std::string RandomHex(std::size_t byteCount) {
    static thread_local std::random_device device;
    std::string bytes(byteCount, '\0');
    for (char& byte : bytes) byte = static_cast<char>(device() & 0xFF);
    return HexLower(bytes);
}
