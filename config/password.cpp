#include "config/password.h"

#include <utility>
#include <vector>

#include "config/config_store.h"
#include "config/stored_password.h"
#include "core/log.h"
#include "core/random.h"
#include "core/secret_crypto.h"
#include "core/sha256.h"
#include "core/text.h"

namespace {

// Two values from one derivation: what is stored to check a password, and
// the key that never is. Neither tells anything about the other.
constexpr std::string_view kVerifierLabel = "tavolin start-up password verifier";
constexpr std::string_view kKeyLabel = "tavolin server password key";

struct Derived {
    std::string verifier;  // hex, as stored
    SecretText key;
};

bool Derive(const std::string& password, const std::string& salt, int iterations, Derived* out) {
    SecretText master;
    std::string verifier;
    if (!DerivePbkdf2Sha256(password, salt, static_cast<std::uint64_t>(iterations), master.out()))
        return false;
    if (!HmacSha256(master.get(), kVerifierLabel, &verifier)) return false;
    if (!HmacSha256(master.get(), kKeyLabel, out->key.out())) return false;
    out->verifier = HexLower(verifier);
    return true;
}

// A fresh salt and the default count.
bool DeriveNew(const std::string& password, SecuritySettings* security, Derived* out) {
    security->salt = RandomHex(16);
    security->iterations = startup_password::kIterations;
    return Derive(password, security->salt, security->iterations, out);
}

bool OldDigest(const std::string& salt, const std::string& password, std::string* digest) {
    return Sha256Hex(salt + "|" + password, digest);
}

// Looks at every byte whatever it finds, so the time taken does not tell
// how much of a guess was right.
bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// Right or wrong, the derivation runs in full.
bool Matches(const SecuritySettings& security, const std::string& password, Derived* derived) {
    if (security.iterations == 0) {
        std::string digest;
        return OldDigest(security.salt, password, &digest) && SameText(digest, security.hash);
    }
    if (security.iterations > startup_password::kMaxIterations) return false;
    return Derive(password, security.salt, security.iterations, derived) &&
           SameText(derived->verifier, security.hash);
}

// The servers sealed again and the security replaced, saved in one file
// write; on failure the store is as it was.
bool CommitResealed(AppConfig& config, const std::string& toKey, SecuritySettings security) {
    std::vector<ServerRecord> servers = config.servers;
    int lost = 0;
    if (!ResealPasswords(servers, config.passwordKey.get(), toKey, &lost)) {
        Log(kLogError, "服务器密码重新加密失败，未做任何更改");
        return false;
    }
    if (lost > 0) LogF(kLogWarn, "%d 台服务器的密码无法解密，已清空", lost);
    std::swap(config.servers, servers);
    std::swap(config.security, security);
    if (!SaveConfig(config)) {
        std::swap(config.servers, servers);
        std::swap(config.security, security);
        return false;
    }
    config.passwordKey = SecretText(toKey);
    return true;
}

}  // namespace

UnlockCheck CheckStartupPassword(const SecuritySettings& security, const std::string& password) {
    UnlockCheck check;
    Derived derived;
    if (!Matches(security, password, &derived)) return check;
    check.security = security;
    // The old digest is replaced now that the password is known; the
    // caller saves it with the passwords sealed under the new key.
    if (security.iterations == 0) {
        if (!DeriveNew(password, &check.security, &derived)) return check;
        check.security.hash = derived.verifier;
    }
    check.key = std::move(derived.key);
    check.right = true;
    return check;
}

bool ApplyUnlock(AppConfig& config, UnlockCheck check) {
    if (!check.right) return false;
    if (config.security.iterations == 0) Log(kLogInfo, "启动密码的旧校验值已换成新的派生校验值");
    config.security = std::move(check.security);
    config.passwordKey = std::move(check.key);
    return true;
}

bool UnlockStartupPassword(AppConfig& config, const std::string& password) {
    if (!StartupPasswordInForce(config)) return true;
    return ApplyUnlock(config, CheckStartupPassword(config.security, password));
}

bool VerifyStartupPassword(const AppConfig& config, const std::string& password) {
    if (!StartupPasswordInForce(config)) return true;
    Derived derived;
    return Matches(config.security, password, &derived);
}

PreparedStartupPassword PrepareStartupPassword(const std::string& password, const std::string& hint) {
    PreparedStartupPassword prepared;
    Derived derived;
    if (password.empty() || !DeriveNew(password, &prepared.security, &derived)) {
        Log(kLogError, "启动密码派生失败");
        return prepared;
    }
    prepared.security.enabled = true;
    prepared.security.hash = derived.verifier;
    prepared.security.hint = hint;
    prepared.key = derived.key;
    prepared.ok = true;
    return prepared;
}

bool CommitStartupPassword(AppConfig& config, const PreparedStartupPassword& prepared) {
    return prepared.ok && CommitResealed(config, prepared.key.get(), prepared.security);
}

bool SetStartupPassword(AppConfig& config, const std::string& password, const std::string& hint) {
    if (password.empty()) return ClearStartupPassword(config);
    return CommitStartupPassword(config, PrepareStartupPassword(password, hint));
}

bool ClearStartupPassword(AppConfig& config) {
    return CommitResealed(config, std::string(), SecuritySettings());
}
