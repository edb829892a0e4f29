#include <windows.h>
// bcrypt.h and dpapi.h need the types of windows.h first.
#include <bcrypt.h>
#include <dpapi.h>

#include <atomic>

#include "core/secret_crypto.h"

namespace {

// Ours alone: a blob protected for this account by another program does
// not open here, nor ours there ("pOptionalEntropy", CryptProtectData,
// learn.microsoft.com/windows/win32/api/dpapi/nf-dpapi-cryptprotectdata).
constexpr char kEntropy[] = "Tavolin server password/1";
constexpr ULONG kKeyBytes = 32;
constexpr ULONG kNonceBytes = 12;
constexpr ULONG kTagBytes = 16;
// Bound into every tag, so a sealed blob of some other purpose never
// opens as a server password.
constexpr char kAssociatedData[] = "tavolin:server-password";

std::atomic<std::uint64_t> g_iterations{0};

PUCHAR Bytes(std::string_view text) {
    return reinterpret_cast<PUCHAR>(const_cast<char*>(text.data()));
}

// An algorithm provider opened once for the process; opening one is the
// slow part of every CNG call.
class Provider {
public:
    Provider(LPCWSTR algorithm, ULONG flags, LPCWSTR chaining) {
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) {
            handle_ = nullptr;
            return;
        }
        if (chaining != nullptr &&
            !BCRYPT_SUCCESS(BCryptSetProperty(
                handle_, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)),
                static_cast<ULONG>((wcslen(chaining) + 1) * sizeof(wchar_t)), 0))) {
            BCryptCloseAlgorithmProvider(handle_, 0);
            handle_ = nullptr;
        }
    }
    ~Provider() {
        if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

BCRYPT_ALG_HANDLE HmacSha256Provider() {
    static const Provider provider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG, nullptr);
    return provider.get();
}

BCRYPT_ALG_HANDLE AesGcmProvider() {
    static const Provider provider(BCRYPT_AES_ALGORITHM, 0, BCRYPT_CHAIN_MODE_GCM);
    return provider.get();
}

class SymmetricKey {
public:
    explicit SymmetricKey(std::string_view key) {
        if (key.size() != kKeyBytes || AesGcmProvider() == nullptr ||
            !BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(AesGcmProvider(), &handle_, nullptr, 0, Bytes(key),
                                                       kKeyBytes, 0))) {
            handle_ = nullptr;
        }
    }
    ~SymmetricKey() {
        if (handle_ != nullptr) BCryptDestroyKey(handle_);
    }
    SymmetricKey(const SymmetricKey&) = delete;
    SymmetricKey& operator=(const SymmetricKey&) = delete;
    BCRYPT_KEY_HANDLE get() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// Owns what CryptProtectData and CryptUnprotectData hand out, which is freed
// with LocalFree, wiped first when it held plain text.
class LocalBlob {
public:
    LocalBlob() = default;
    ~LocalBlob() {
        if (blob.pbData != nullptr) {
            SecureZeroMemory(blob.pbData, blob.cbData);
            LocalFree(blob.pbData);
        }
    }
    LocalBlob(const LocalBlob&) = delete;
    LocalBlob& operator=(const LocalBlob&) = delete;
    std::string text() const { return std::string(reinterpret_cast<const char*>(blob.pbData), blob.cbData); }
    DATA_BLOB blob = {};
};

DATA_BLOB BlobOf(std::string_view text) {
    return DATA_BLOB{static_cast<DWORD>(text.size()), Bytes(text)};
}

// The nonce and the tag travel in the structure the GCM mode reads
// ("BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO",
// learn.microsoft.com/windows/win32/api/bcrypt/ns-bcrypt-bcrypt_authenticated_cipher_mode_info).
BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO GcmInfo(PUCHAR nonce, PUCHAR tag) {
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = nonce;
    info.cbNonce = kNonceBytes;
    info.pbAuthData = reinterpret_cast<PUCHAR>(const_cast<char*>(kAssociatedData));
    info.cbAuthData = sizeof kAssociatedData - 1;
    info.pbTag = tag;
    info.cbTag = kTagBytes;
    return info;
}

}  // namespace

bool ProtectForUser(std::string_view plain, std::string* blob) {
    if (plain.size() > 0xFFFFFFu) return false;
    DATA_BLOB in = BlobOf(plain);
    DATA_BLOB entropy = BlobOf(kEntropy);
    LocalBlob out;
    // No flags but "no prompt": user scope is the default, the local
    // machine flag would let every account of the machine open it.
    if (!CryptProtectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out.blob)) {
        return false;
    }
    *blob = out.text();
    return true;
}

bool UnprotectForUser(std::string_view blob, std::string* plain) {
    if (blob.empty() || blob.size() > 0xFFFFFFu) return false;
    DATA_BLOB in = BlobOf(blob);
    DATA_BLOB entropy = BlobOf(kEntropy);
    LocalBlob out;
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out.blob)) {
        return false;
    }
    WipeText(*plain);
    *plain = out.text();
    return true;
}

// The provider is an HMAC-SHA256 one, as the function asks of hPrf
// (learn.microsoft.com/windows/win32/api/bcrypt/nf-bcrypt-bcryptderivekeypbkdf2).
bool DerivePbkdf2Sha256(std::string_view password, std::string_view salt, std::uint64_t iterations,
                        std::string* key) {
    if (HmacSha256Provider() == nullptr || iterations == 0 || password.size() > 0xFFFFu ||
        salt.size() > 0xFFFFu) {
        return false;
    }
    std::string derived(kKeyBytes, '\0');
    const NTSTATUS status = BCryptDeriveKeyPBKDF2(
        HmacSha256Provider(), Bytes(password), static_cast<ULONG>(password.size()), Bytes(salt),
        static_cast<ULONG>(salt.size()), iterations, Bytes(derived), kKeyBytes, 0);
    g_iterations += iterations;
    if (!BCRYPT_SUCCESS(status)) {
        WipeText(derived);
        return false;
    }
    WipeText(*key);
    *key = std::move(derived);
    return true;
}

std::uint64_t Pbkdf2IterationsRun() {
    return g_iterations.load();
}

bool HmacSha256(std::string_view key, std::string_view data, std::string* mac) {
    if (HmacSha256Provider() == nullptr || key.size() > 0xFFFFu || data.size() > 0xFFFFFFu) return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(HmacSha256Provider(), &hash, nullptr, 0, Bytes(key),
                                         static_cast<ULONG>(key.size()), 0))) {
        return false;
    }
    std::string out(32, '\0');
    const bool ok = BCRYPT_SUCCESS(BCryptHashData(hash, Bytes(data), static_cast<ULONG>(data.size()), 0)) &&
                    BCRYPT_SUCCESS(BCryptFinishHash(hash, Bytes(out), 32, 0));
    BCryptDestroyHash(hash);
    if (ok) *mac = std::move(out);
    return ok;
}

bool SealWithKey(std::string_view key, std::string_view plain, std::string* blob) {
    if (plain.size() > 0xFFFFFFu) return false;
    const SymmetricKey handle(key);
    if (handle.get() == nullptr) return false;
    std::string out(kNonceBytes + plain.size() + kTagBytes, '\0');
    PUCHAR nonce = Bytes(out);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, nonce, kNonceBytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return false;
    PUCHAR cipher = nonce + kNonceBytes;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = GcmInfo(nonce, cipher + plain.size());
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptEncrypt(handle.get(), Bytes(plain), static_cast<ULONG>(plain.size()), &info,
                                      nullptr, 0, cipher, static_cast<ULONG>(plain.size()), &written, 0)) ||
        written != plain.size()) {
        return false;
    }
    *blob = std::move(out);
    return true;
}

bool OpenWithKey(std::string_view key, std::string_view blob, std::string* plain) {
    if (blob.size() < kNonceBytes + kTagBytes || blob.size() > 0xFFFFFFu) return false;
    const SymmetricKey handle(key);
    if (handle.get() == nullptr) return false;
    const ULONG length = static_cast<ULONG>(blob.size() - kNonceBytes - kTagBytes);
    std::string nonceAndTag(blob.substr(0, kNonceBytes));
    nonceAndTag.append(blob.substr(kNonceBytes + length));
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info =
        GcmInfo(Bytes(nonceAndTag), Bytes(nonceAndTag) + kNonceBytes);
    std::string out(length, '\0');
    ULONG written = 0;
    // The tag is checked before anything is given back: a wrong key or a
    // changed byte fails here (STATUS_AUTH_TAG_MISMATCH).
    if (!BCRYPT_SUCCESS(BCryptDecrypt(handle.get(), Bytes(blob.substr(kNonceBytes, length)), length, &info,
                                      nullptr, 0, length == 0 ? nullptr : Bytes(out), length, &written, 0)) ||
        written != length) {
        WipeText(out);
        return false;
    }
    WipeText(*plain);
    *plain = std::move(out);
    return true;
}

void WipeText(std::string& text) {
    if (!text.empty()) SecureZeroMemory(&text[0], text.size());
    text.clear();
}
