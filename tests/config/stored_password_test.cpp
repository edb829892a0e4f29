#include "config/stored_password.h"

#include <gtest/gtest.h>

#include "core/random.h"
#include "core/secret_crypto.h"
#include "core/text.h"
#include "support/test_support.h"

namespace {

ServerRecord WithStored(const std::string& host, const std::string& stored) {
    ServerRecord server;
    server.id = NewServerId();
    server.host = host;
    server.sealedPassword = stored;
    return server;
}

std::string Opened(const AppConfig& config, const std::string& stored) {
    std::string plain;
    return OpenPassword(config, stored, &plain) ? plain : "<refused>";
}

}  // namespace

TEST(OldScramble, FollowsTheFormulaAndUndoesItself) {
    EXPECT_EQ(ScramblePassword("", "key"), "");
    EXPECT_EQ(ScramblePassword("data", ""), "data");
    // Key bytes 3 + 7i mod 2 and masks i & 0x5A, worked by hand: a key
    // shorter than the step of 7 wraps more than once per byte. The masks'
    // high bits show only from byte 64 on.
    EXPECT_EQ(ScramblePassword(std::string(4, '\0'), "ab"), "ba`c");
    EXPECT_EQ(HexLower(ScramblePassword(std::string(80, '\0'), "Zq4TmW8xLc!pep#91730").substr(64)),
              "3073152770783218306b3b06717c297b");
    // Files written by earlier versions must keep opening, so the exact
    // bytes are fixed here.
    for (const auto& [plain, stored] : {std::pair<const char*, const char*>{"abc", "NUNW"},
                                        {"P@ssw0rd!", "BGFGHAcDJwMZ"},
                                        {"密码123", "sY6ziNCyZFUL"}}) {
        EXPECT_EQ(OldScrambledForm(plain), stored) << plain;
        EXPECT_EQ(OpenOldScramble(stored), plain) << stored;
        EXPECT_EQ(FormOf(stored), PasswordForm::kOldScramble);
    }
}

// New seals say what they are: the account's form without a key, the key's
// form with a key, opened by that key alone. Opening without a key, and the
// account's form with one, are the pass after the unlock's (below); a changed
// byte is the seal's own (core/crypto_test.cpp).
TEST(StoredPassword, SealsInTheFormInForceAndOpensOnlyWithItsKey) {
    AppConfig config;
    std::string account, keyed;
    ASSERT_TRUE(SealPassword(config, "pw 1", &account));
    EXPECT_EQ(FormOf(account), PasswordForm::kAccount);
    EXPECT_EQ(account.rfind("dpapi1:", 0), 0u);
    config.passwordKey = SecretText(std::string(32, 'k'));
    ASSERT_TRUE(SealPassword(config, "pw 2", &keyed));
    EXPECT_EQ(FormOf(keyed), PasswordForm::kStartupKey);
    EXPECT_EQ(keyed.rfind("aesgcm1:", 0), 0u);
    EXPECT_EQ(Opened(config, keyed), "pw 2");
    config.passwordKey = SecretText(std::string(32, 'o'));
    EXPECT_EQ(Opened(config, keyed), "<refused>");
}

// The pass after the unlock: every password into the form in force, those
// that cannot be opened here dropped and counted in one notice; nothing
// else of their servers changes.
TEST(StoredPassword, ProtectingAfterTheUnlockUpgradesOrDropsAndTellsOnce) {
    AppConfig sealer;
    sealer.passwordKey = SecretText(std::string(32, 'k'));
    std::string keyed, account;
    ASSERT_TRUE(SealPassword(sealer, "key-pw", &keyed));
    ASSERT_TRUE(SealPassword(AppConfig(), "account-pw", &account));
    const std::vector<ServerRecord> servers = {WithStored("old", OldScrambledForm("old-pw")),
                                               WithStored("account", account), WithStored("keyed", keyed),
                                               WithStored("foreign", "dpapi1:" + Base64Encode(RandomHex(60))),
                                               WithStored("none", "")};

    AppConfig plain;  // no start-up password: the keyed one cannot open
    plain.servers = servers;
    EXPECT_TRUE(ProtectStoredPasswords(plain));
    EXPECT_EQ(FormOf(plain.servers[0].sealedPassword), PasswordForm::kAccount);
    EXPECT_EQ(Opened(plain, plain.servers[0].sealedPassword), "old-pw");
    EXPECT_EQ(plain.servers[1].sealedPassword, account);  // already in form: untouched
    EXPECT_TRUE(plain.servers[2].sealedPassword.empty());
    EXPECT_TRUE(plain.servers[3].sealedPassword.empty());
    EXPECT_EQ(plain.notices,
              (std::vector<std::string>{
                  "有 2 台服务器的密码无法在这台电脑或这个 Windows 账户下解密，请重新填写这些服务器的密码"}));
    for (std::size_t i = 0; i < servers.size(); ++i) EXPECT_EQ(plain.servers[i].host, servers[i].host);
    plain.notices.clear();
    EXPECT_FALSE(ProtectStoredPasswords(plain));  // settled: nothing to save, nothing to tell
    EXPECT_TRUE(plain.notices.empty());

    AppConfig unlocked;
    unlocked.passwordKey = SecretText(std::string(32, 'k'));
    unlocked.servers = servers;
    EXPECT_TRUE(ProtectStoredPasswords(unlocked));
    const char* want[] = {"old-pw", "account-pw", "key-pw"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(FormOf(unlocked.servers[i].sealedPassword), PasswordForm::kStartupKey) << i;
        EXPECT_EQ(Opened(unlocked, unlocked.servers[i].sealedPassword), want[i]) << i;
    }
    EXPECT_EQ(unlocked.servers[2].sealedPassword, keyed);
    EXPECT_EQ(unlocked.notices.size(), 1u);  // the foreign one
}

// Many passwords sealed for another account (a copied folder) are all found
// and dropped at the start, though the start opens only a sample of those
// that may be the account's own.
TEST(StoredPassword, AFolderFromAnotherAccountLosesEveryAccountPasswordAtOnce) {
    AppConfig copied;
    for (int i = 0; i < 100; ++i)
        copied.servers.push_back(WithStored("h", "dpapi1:" + Base64Encode(RandomHex(60))));
    std::string own;
    ASSERT_TRUE(SealPassword(AppConfig(), "own-pw", &own));
    copied.servers[50].sealedPassword = own;
    EXPECT_TRUE(ProtectStoredPasswords(copied));
    EXPECT_EQ(
        copied.notices,
        (std::vector<std::string>{
            "有 99 台服务器的密码无法在这台电脑或这个 Windows 账户下解密，请重新填写这些服务器的密码"}));
    EXPECT_EQ(copied.servers[50].sealedPassword, own);
}
