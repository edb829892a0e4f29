#include "config/stored_password.h"

#include <algorithm>

#include "core/log.h"
#include "core/secret_crypto.h"
#include "core/text.h"

namespace {

constexpr std::string_view kAccountPrefix = "dpapi1:";
constexpr std::string_view kKeyPrefix = "aesgcm1:";

// The key every earlier version used: it kept passwords from being read at a
// glance, nothing more.
constexpr std::string_view kScrambleKey = "Zq4TmW8xLc!pep#91730";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

void ScrambleInPlace(std::string& data, std::string_view key) {
    if (key.empty()) return;
    // The key byte for position i is (3 + 7 * i) mod the key's length, kept
    // as a running index rather than divided out for every byte.
    std::size_t k = 3 % key.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        const unsigned char mask = static_cast<unsigned char>(i & 0x5A);
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ mask ^
                                    static_cast<unsigned char>(key[k]));
        k += 7;
        while (k >= key.size()) k -= key.size();
    }
}

bool InForm(std::string_view key, std::string_view stored) {
    return FormOf(stored) == (key.empty() ? PasswordForm::kAccount : PasswordForm::kStartupKey);
}

}  // namespace

PasswordForm FormOf(std::string_view stored) {
    if (StartsWith(stored, kAccountPrefix)) return PasswordForm::kAccount;
    if (StartsWith(stored, kKeyPrefix)) return PasswordForm::kStartupKey;
    return PasswordForm::kOldScramble;
}

bool SealPasswordWith(std::string_view key, std::string_view plain, std::string* sealed) {
    std::string blob;
    const bool ok = key.empty() ? ProtectForUser(plain, &blob) : SealWithKey(key, plain, &blob);
    if (!ok) return false;
    *sealed = std::string(key.empty() ? kAccountPrefix : kKeyPrefix) + Base64Encode(blob);
    return true;
}

bool OpenPasswordWith(std::string_view key, std::string_view sealed, std::string* plain) {
    switch (FormOf(sealed)) {
        case PasswordForm::kAccount:
            return UnprotectForUser(Base64Decode(sealed.substr(kAccountPrefix.size())), plain);
        case PasswordForm::kStartupKey:
            return !key.empty() && OpenWithKey(key, Base64Decode(sealed.substr(kKeyPrefix.size())), plain);
        case PasswordForm::kOldScramble:
            WipeText(*plain);
            *plain = OpenOldScramble(sealed);
            return true;
    }
    return false;
}

bool SealPassword(const AppConfig& config, std::string_view plain, std::string* sealed) {
    return SealPasswordWith(config.passwordKey.get(), plain, sealed);
}

bool OpenPassword(const AppConfig& config, std::string_view sealed, std::string* plain) {
    return OpenPasswordWith(config.passwordKey.get(), sealed, plain);
}

namespace {

// A stored password and the server it belongs to.
struct Sealed {
    std::string* text;
    std::size_t server;
};

// Every stored password of the servers: the server's own and its gateway's.
std::vector<Sealed> SealedTexts(std::vector<ServerRecord>& servers) {
    std::vector<Sealed> texts;
    texts.reserve(servers.size());
    for (std::size_t i = 0; i < servers.size(); ++i) {
        for (std::string* text : {&servers[i].sealedPassword, &servers[i].options.sealedGatewayPassword}) {
            if (!text->empty()) texts.push_back(Sealed{text, i});
        }
    }
    return texts;
}

// The servers that lost a password, each counted once.
class LostServers {
public:
    explicit LostServers(std::size_t servers) : lost_(servers, false) {}
    void Add(std::size_t server) {
        count_ += lost_[server] ? 0 : 1;
        lost_[server] = true;
    }
    int count() const { return count_; }

private:
    std::vector<bool> lost_;
    int count_ = 0;
};

// Drops a stored password that does not open; true when it did open, with
// the plain text in *plain.
bool OpensOrDrop(std::string_view key, const Sealed& sealed, SecretText* plain, LostServers* lost) {
    if (OpenPasswordWith(key, *sealed.text, plain->out()) && !plain->empty()) return true;
    sealed.text->clear();
    lost->Add(sealed.server);
    return false;
}

// How many of the passwords already in the account's form a start opens to
// see that they still can be. Opening one for the account costs a call into
// the system's data protection (about 0.6 ms under Wine): 10,000 of them
// would hold the start for seconds. They were all sealed on one account, so
// they open or fail together: when every one in a spread sample opens, the
// rest are left to open when used (a connection tells the user then); when
// one fails, all are opened and the failures counted.
constexpr std::size_t kAccountSample = 16;

// Every in-form account password when one of a spread sample fails to open.
bool CheckAccountForm(const std::vector<Sealed>& inForm, LostServers* lost) {
    SecretText plain;
    const std::size_t step = std::max<std::size_t>(1, inForm.size() / kAccountSample);
    bool allOpen = true;
    for (std::size_t i = 0; i < inForm.size() && allOpen; i += step) {
        allOpen = OpenPasswordWith({}, *inForm[i].text, plain.out()) && !plain.empty();
        plain.clear();
    }
    if (allOpen) return false;
    bool dropped = false;
    for (const Sealed& sealed : inForm) {
        dropped = !OpensOrDrop({}, sealed, &plain, lost) || dropped;
        plain.clear();
    }
    return dropped;
}

}  // namespace

bool ResealPasswords(std::vector<ServerRecord>& servers, std::string_view fromKey, std::string_view toKey,
                     int* lost) {
    SecretText plain;
    LostServers dropped(servers.size());
    for (const Sealed& sealed : SealedTexts(servers)) {
        if (!OpensOrDrop(fromKey, sealed, &plain, &dropped)) continue;
        if (!SealPasswordWith(toKey, plain.get(), sealed.text)) return false;
        plain.clear();
    }
    *lost += dropped.count();
    return true;
}

bool ProtectStoredPasswords(AppConfig& config) {
    const std::string_view key = config.passwordKey.get();
    bool changed = false;
    LostServers lost(config.servers.size());
    SecretText plain;
    std::vector<Sealed> accountInForm;
    for (const Sealed& sealed : SealedTexts(config.servers)) {
        if (key.empty() && InForm(key, *sealed.text)) {
            accountInForm.push_back(sealed);
            continue;
        }
        if (!OpensOrDrop(key, sealed, &plain, &lost)) {
            changed = true;
            continue;
        }
        // A failed seal keeps what was stored: the next start tries again.
        if (!InForm(key, *sealed.text) && SealPasswordWith(key, plain.get(), sealed.text)) changed = true;
        plain.clear();
    }
    if (CheckAccountForm(accountInForm, &lost)) changed = true;
    if (lost.count() > 0) {
        LogF(kLogWarn, "%d 台服务器的密码无法在此解密，已清空", lost.count());
        config.notices.push_back(
            Format("有 %d 台服务器的密码无法在这台电脑或这个 Windows 账户下解密，请重新填写这些服务器的密码",
                   lost.count()));
    }
    return changed;
}

std::string ScramblePassword(std::string_view data, std::string_view key) {
    std::string out(data);
    ScrambleInPlace(out, key);
    return out;
}

std::string OldScrambledForm(std::string_view plain) {
    return Base64Encode(ScramblePassword(plain, kScrambleKey));
}

std::string OpenOldScramble(std::string_view stored) {
    std::string bytes = Base64Decode(stored);
    ScrambleInPlace(bytes, kScrambleKey);
    return bytes;
}
