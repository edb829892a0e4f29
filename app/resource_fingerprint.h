// The content fingerprint that names the folder the embedded page resources
// unpack to: the same resources give the same folder, any change a new one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// 64-bit FNV-1a over the resources in the order they are added, from the
// program's own start value rather than the usual offset basis.
class ResourceFingerprint {
public:
    void add(std::string_view resource);
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0x14650FB0739D0383ull;
};

// The fingerprint as 16 upper-case hexadecimal digits, the folder's name.
std::string FingerprintName(std::uint64_t fingerprint);
