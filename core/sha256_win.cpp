#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include <utility>
#include <vector>

#include "core/sha256.h"
#include "core/text.h"

namespace {

class AlgorithmProvider {
public:
    explicit AlgorithmProvider(LPCWSTR algorithm) {
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0))) handle_ = nullptr;
    }
    ~AlgorithmProvider() {
        if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    AlgorithmProvider(const AlgorithmProvider&) = delete;
    AlgorithmProvider& operator=(const AlgorithmProvider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class HashObject {
public:
    explicit HashObject(BCRYPT_ALG_HANDLE provider) {
        if (!BCRYPT_SUCCESS(BCryptCreateHash(provider, &handle_, nullptr, 0, nullptr, 0, 0)))
            handle_ = nullptr;
    }
    ~HashObject() {
        if (handle_ != nullptr) BCryptDestroyHash(handle_);
    }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;
    BCRYPT_HASH_HANDLE get() const { return handle_; }

private:
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

ULONG DigestLength(BCRYPT_ALG_HANDLE provider) {
    DWORD length = 0;
    ULONG received = 0;
    const NTSTATUS status = BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                              sizeof length, &received, 0);
    return BCRYPT_SUCCESS(status) && length != 0 ? length : 32;
}

}  // namespace

bool Sha256Hex(std::string_view data, std::string* out) {
    if (data.size() > 0xFFFFFFFFu) return false;
    AlgorithmProvider provider(BCRYPT_SHA256_ALGORITHM);
    if (provider.get() == nullptr) return false;
    const ULONG digestLength = DigestLength(provider.get());
    HashObject hash(provider.get());
    if (hash.get() == nullptr) return false;
    if (!data.empty()) {
        auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(data.data()));
        if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), bytes, static_cast<ULONG>(data.size()), 0)))
            return false;
    }
    std::vector<UCHAR> digest(digestLength);
    if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), digestLength, 0))) return false;
    if (out != nullptr)
        *out = HexLower(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
    return true;
}
