// The optional start-up password. Its verifier and the key that seals the
// server passwords both come from one slow, salted derivation (PBKDF2 with
// HMAC-SHA256); the key is never stored, it exists in memory after the
// unlock. A store of an earlier version holds a salted SHA-256 digest
// instead (iterations 0): it is accepted at one unlock and replaced there.
#pragma once

#include <string>

#include "config/app_config.h"
#include "core/secret_crypto.h"

namespace startup_password {
// Chosen so that one derivation takes well under a second on a laptop
// (about half a second under Wine on the build machine) while every guess
// costs an attacker as much.
constexpr int kIterations = 600000;
// A stored count beyond this is not ours: a start would take minutes.
constexpr int kMaxIterations = 20000000;
constexpr int kMinChars = 6;
// What the unlock dialog's field takes.
constexpr int kMaxChars = 128;
// Wrong answers the unlock dialog takes before the program ends; the
// page's password commands stop taking any after as many.
constexpr int kMaxAttempts = 5;
}  // namespace startup_password

// True when a start-up password protects the store.
inline bool StartupPasswordInForce(const AppConfig& config) {
    return config.security.enabled && !config.security.hash.empty();
}

// The unlock: true when the protection is off, or when password is the
// right one; then the key is in config.passwordKey, and an old digest has
// been replaced by a new verifier (the caller saves). Every refusal has run
// the whole derivation.
bool UnlockStartupPassword(AppConfig& config, const std::string& password);

// UnlockStartupPassword in its two halves: the check, which reads only its
// arguments and may run on any thread (it takes the whole derivation), and
// applying a right one on the store's thread (the key, and the verifier an
// old digest is replaced by). Applying a wrong one changes nothing.
struct UnlockCheck {
    bool right = false;
    SecuritySettings security;  // as it is to be kept
    SecretText key;             // wiped when it goes
};
UnlockCheck CheckStartupPassword(const SecuritySettings& security, const std::string& password);
bool ApplyUnlock(AppConfig& config, UnlockCheck check);

// Only checks the password (the settings and the export ask for it again);
// the key in memory stays as it is.
bool VerifyStartupPassword(const AppConfig& config, const std::string& password);

// A non-empty password gets a fresh salt, its verifier and its key; every
// server password is sealed again under that key and all of it is saved at
// once. An empty one clears the protection. The caller has checked the
// current password. False, with the store unchanged, when a derivation, a
// seal or the save failed.
bool SetStartupPassword(AppConfig& config, const std::string& password, const std::string& hint);

// SetStartupPassword in its two halves: the derivation, which needs nothing
// of the store and may run on any thread, and the commit on the store's
// thread. A prepared password that failed commits nothing.
struct PreparedStartupPassword {
    bool ok = false;
    SecuritySettings security;
    SecretText key;  // wiped when it goes
};
PreparedStartupPassword PrepareStartupPassword(const std::string& password, const std::string& hint);
bool CommitStartupPassword(AppConfig& config, const PreparedStartupPassword& prepared);

// Turns the protection off: every server password sealed again for the
// Windows account, saved at once. False, with the store unchanged, when a
// seal or the save failed.
bool ClearStartupPassword(AppConfig& config);
