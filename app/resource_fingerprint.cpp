#include "app/resource_fingerprint.h"

#include "core/text.h"

namespace {

constexpr std::uint64_t kPrime = 0x100000001B3ull;

std::uint64_t Step(std::uint64_t hash, unsigned char byte) {
    return (hash ^ byte) * kPrime;
}

}  // namespace

void ResourceFingerprint::add(std::string_view resource) {
    for (const char c : resource) hash_ = Step(hash_, static_cast<unsigned char>(c));
    // A byte after each resource makes the boundaries count: "ab" + "c" and
    // "a" + "bc" hash differently, and so does an empty resource.
    hash_ = Step(hash_, 0xFF);
}

std::string FingerprintName(std::uint64_t fingerprint) {
    return Format("%016llX", static_cast<unsigned long long>(fingerprint));
}
