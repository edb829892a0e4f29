// The native build's POSIX version of the system's cryptography (tests,
// fuzzers, benchmarks). It is NOT encryption: a keyed stream and a keyed
// 64-bit check that only make it behave as the real one does for the
// portable code above it: a blob opens only with the key that sealed it,
// any changed byte is refused, every seal is different. The account's key
// lives as long as the process, as if each run were another account.
#include <atomic>
#include <cstring>

#include "core/random.h"
#include "core/secret_crypto.h"
#include "core/text.h"

namespace {

constexpr std::size_t kNonceBytes = 12;
constexpr std::size_t kTagBytes = 8;

std::atomic<std::uint64_t> g_iterations{0};

std::uint64_t Mix(std::uint64_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::uint64_t Keyed(std::string_view key, std::string_view nonce, std::string_view data,
                    std::string_view label) {
    std::uint64_t hash = Mix(Mix(0xCBF29CE484222325ull, label), key);
    return Mix(Mix(hash, nonce), data);
}

// SplitMix64 over a keyed counter: a different stream for every key and
// nonce, eight bytes a step, and no generator state to set up per seal (a
// Mersenne Twister seeds 312 words before its first byte, more than the
// rest of a short password's seal).
void XorStream(std::string_view key, std::string_view nonce, std::string& data) {
    std::uint64_t state = Keyed(key, nonce, "", "stream");
    for (std::size_t i = 0; i < data.size(); i += 8) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        for (std::size_t k = i; k < data.size() && k < i + 8; ++k, z >>= 8)
            data[k] = static_cast<char>(data[k] ^ static_cast<char>(z & 0xFF));
    }
}

std::string Tag(std::string_view key, std::string_view nonce, std::string_view cipher) {
    const std::uint64_t value = Keyed(key, nonce, cipher, "tag");
    std::string tag(kTagBytes, '\0');
    std::memcpy(&tag[0], &value, kTagBytes);
    return tag;
}

std::string AccountKey() {
    static const std::string key = RandomHex(32);
    return key;
}

std::string NewNonce() {
    return RandomHex(kNonceBytes / 2);  // 12 hex digits: 12 bytes
}

}  // namespace

bool SealWithKey(std::string_view key, std::string_view plain, std::string* blob) {
    if (key.size() != 32) return false;
    const std::string nonce = NewNonce();
    std::string cipher(plain);
    XorStream(key, nonce, cipher);
    *blob = nonce + cipher + Tag(key, nonce, cipher);
    return true;
}

bool OpenWithKey(std::string_view key, std::string_view blob, std::string* plain) {
    if (key.size() != 32 || blob.size() < kNonceBytes + kTagBytes) return false;
    const std::string_view nonce = blob.substr(0, kNonceBytes);
    const std::string_view cipher = blob.substr(kNonceBytes, blob.size() - kNonceBytes - kTagBytes);
    if (Tag(key, nonce, cipher) != blob.substr(blob.size() - kTagBytes)) return false;
    std::string out(cipher);
    XorStream(key, nonce, out);
    *plain = std::move(out);
    return true;
}

bool ProtectForUser(std::string_view plain, std::string* blob) {
    return SealWithKey(AccountKey().substr(0, 32), plain, blob);
}

bool UnprotectForUser(std::string_view blob, std::string* plain) {
    return OpenWithKey(AccountKey().substr(0, 32), blob, plain);
}

bool HmacSha256(std::string_view key, std::string_view data, std::string* mac) {
    std::string out(32, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint64_t part = Keyed(key, std::string(1, static_cast<char>(i)), data, "mac");
        std::memcpy(&out[8 * i], &part, 8);
    }
    *mac = std::move(out);
    return true;
}

bool DerivePbkdf2Sha256(std::string_view password, std::string_view salt, std::uint64_t iterations,
                        std::string* key) {
    if (iterations == 0) return false;
    std::string block(salt);
    for (std::uint64_t i = 0; i < iterations; ++i) HmacSha256(password, block, &block);
    g_iterations += iterations;
    *key = std::move(block);
    return true;
}

std::uint64_t Pbkdf2IterationsRun() {
    return g_iterations.load();
}

void WipeText(std::string& text) {
    volatile char* bytes = text.empty() ? nullptr : &text[0];
    for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = 0;
    text.clear();
}
