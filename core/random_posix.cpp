// The native build's random source (tests, fuzzers, benchmarks).
#include <sys/random.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "core/random.h"
#include "core/text.h"

namespace {

// Reads the system's random source into bytes; random_device only where
// getrandom is refused.
void ReadSystemRandom(unsigned char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = getrandom(bytes + done, size - done, 0);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (done == size) return;
    static thread_local std::random_device device;
    for (; done < size; ++done) bytes[done] = static_cast<unsigned char>(device() & 0xFF);
}

// Handed out from a block of 4 KB read at once: the fuzz targets ask for a
// few ids per input, and a system call for each took a tenth of a small
// input's time. Each thread has its own block, and no byte is handed out
// twice.
void FillRandom(std::string& bytes) {
    constexpr std::size_t kBlock = 4096;
    static thread_local unsigned char block[kBlock];
    static thread_local std::size_t used = kBlock;
    for (std::size_t done = 0; done < bytes.size();) {
        if (used == kBlock) {
            ReadSystemRandom(block, kBlock);
            used = 0;
        }
        const std::size_t n = std::min(kBlock - used, bytes.size() - done);
        std::memcpy(&bytes[done], block + used, n);
        used += n;
        done += n;
    }
}

}  // namespace

std::string RandomHex(std::size_t byteCount) {
    std::string bytes(byteCount, '\0');
    FillRandom(bytes);
    return HexLower(bytes);
}
