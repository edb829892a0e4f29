// The native build's random source (tests, fuzzers, benchmarks).
#include <sys/random.h>

#include <random>

#include "core/random.h"
#include "core/text.h"

namespace {

// One system call per request; random_device only when it is refused.
void FillRandom(std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = getrandom(&bytes[done], bytes.size() - done, 0);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (done == bytes.size()) return;
    static thread_local std::random_device device;
    for (; done < bytes.size(); ++done) bytes[done] = static_cast<char>(device() & 0xFF);
}

}  // namespace

std::string RandomHex(std::size_t byteCount) {
    std::string bytes(byteCount, '\0');
    FillRandom(bytes);
    return HexLower(bytes);
}
