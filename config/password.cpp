#include "config/password.h"

#include "config/config_store.h"
#include "core/random.h"
#include "core/sha256.h"

namespace {

bool PasswordDigest(const std::string& salt, const std::string& password, std::string* digest) {
    return Sha256Hex(salt + "|" + password, digest);
}

// Looks at every byte whatever it finds, so the time taken does not tell
// how much of a guess was right.
bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

void TurnOff(SecuritySettings& security) { security = SecuritySettings(); }

}  // namespace

bool SetStartupPassword(AppConfig& config, const std::string& password, const std::string& hint) {
    if (password.empty()) {
        TurnOff(config.security);
        return SaveConfig(config);
    }
    const std::string salt = RandomHex(16);
    std::string hash;
    if (!PasswordDigest(salt, password, &hash)) return false;
    config.security.salt = salt;
    config.security.hash = hash;
    config.security.hint = hint;
    config.security.enabled = true;
    return SaveConfig(config);
}

void ClearStartupPassword(AppConfig& config) {
    TurnOff(config.security);
    SaveConfig(config);
}

bool VerifyStartupPassword(const AppConfig& config, const std::string& password) {
    if (!config.security.enabled || config.security.hash.empty()) return true;
    std::string digest;
    if (!PasswordDigest(config.security.salt, password, &digest)) return false;
    return SameText(digest, config.security.hash);
}
