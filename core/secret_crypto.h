// The cryptography that keeps server passwords and the start-up password:
// the Windows account's own protection (DPAPI, user scope), PBKDF2 and
// AES-256-GCM from the system's provider (CNG). Byte strings in and out;
// every function returns false, with outputs untouched, when the system
// refuses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Sealed with the current Windows account's key and our own entropy: only
// the same account on the same machine opens it again.
bool ProtectForUser(std::string_view plain, std::string* blob);
// False for another account's or machine's blob, and for any changed byte.
bool UnprotectForUser(std::string_view blob, std::string* plain);

// PBKDF2 with HMAC-SHA256 (RFC 8018), a 32-byte key.
bool DerivePbkdf2Sha256(std::string_view password, std::string_view salt, std::uint64_t iterations,
                        std::string* key);
// Every PBKDF2 iteration this process has run, for the tests that check a
// refused password still paid for its derivation.
std::uint64_t Pbkdf2IterationsRun();
// HMAC-SHA256, 32 bytes.
bool HmacSha256(std::string_view key, std::string_view data, std::string* mac);

// AES-256-GCM with a fresh 12-byte nonce: nonce, ciphertext, 16-byte tag.
bool SealWithKey(std::string_view key, std::string_view plain, std::string* blob);
// False for a wrong key and for any changed byte.
bool OpenWithKey(std::string_view key, std::string_view blob, std::string* plain);

// Overwrites the text's bytes in a way the optimiser keeps, then empties it.
void WipeText(std::string& text);

// Text that is wiped when it goes: the unlocked key, transient plain copies.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string text) : text_(std::move(text)) {}
    ~SecretText() { WipeText(text_); }
    SecretText(const SecretText& other) : text_(other.text_) {}
    SecretText& operator=(const SecretText& other) {
        if (this != &other) {
            WipeText(text_);
            text_ = other.text_;
        }
        return *this;
    }
    SecretText(SecretText&& other) noexcept : text_(std::move(other.text_)) { WipeText(other.text_); }
    SecretText& operator=(SecretText&& other) noexcept {
        if (this != &other) {
            WipeText(text_);
            text_ = std::move(other.text_);
            WipeText(other.text_);
        }
        return *this;
    }

    const std::string& get() const { return text_; }
    std::string* out() { return &text_; }
    bool empty() const { return text_.empty(); }
    void clear() { WipeText(text_); }

private:
    std::string text_;
};
