#include "config/password.h"

#include <gtest/gtest.h>

#include "config/config_store.h"
#include "config/stored_password.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/secret_crypto.h"
#include "core/sha256.h"
#include "core/text.h"
#include "support/memory_files.h"
#include "support/test_support.h"

namespace {

const char* const kOldPasswords[] = {"P@ssw0rd!", "密码123", ""};

class PasswordTest : public ::testing::Test {
protected:
    // The store as the next start reads it, passwords still as stored.
    static AppConfig Reloaded() {
        AppConfig loaded;
        EXPECT_TRUE(LoadConfig(loaded));
        return loaded;
    }

    // What a start does: load, unlock with typed, settle the passwords.
    static AppConfig Started(const std::string& typed) {
        AppConfig config = Reloaded();
        const std::string before = config.security.hash;
        EXPECT_TRUE(UnlockStartupPassword(config, typed));
        if (ProtectStoredPasswords(config) || config.security.hash != before) {
            EXPECT_TRUE(SaveConfig(config));
        }
        return config;
    }

    static std::vector<std::string> Plain(const AppConfig& config) {
        std::vector<std::string> out;
        for (const ServerRecord& s : config.servers) {
            std::string plain;
            if (s.sealedPassword.empty()) {
                out.push_back("");
            } else {
                out.push_back(OpenPassword(config, s.sealedPassword, &plain) ? plain : "<refused>");
            }
        }
        return out;
    }

    static std::vector<std::string> Forms(const AppConfig& config) {
        std::vector<std::string> out;
        for (const ServerRecord& s : config.servers)
            out.push_back(s.sealedPassword.substr(0, s.sealedPassword.find(':') + 1));
        return out;
    }

    // A config.json as the previous version wrote it: the fixed scramble,
    // and with a start-up password its salted SHA-256 digest.
    void WriteOldFile(bool withStartupPassword) {
        std::string servers;
        for (const char* pw : kOldPasswords) {
            servers += std::string(servers.empty() ? "" : ",") + R"({"id":")" + NewServerId() +
                       R"(","host":"h","user":"u")" +
                       (*pw ? std::string(R"(,"password":")") + OldScrambledForm(pw) + "\"" : "") + "}";
        }
        const std::string salt = "00112233445566778899aabbccddeeff";
        std::string digest;
        ASSERT_TRUE(Sha256Hex(salt + "|secret-pw", &digest));
        const std::string security = withStartupPassword ? R"({"enabled":true,"salt":")" + salt +
                                                               R"(","hash":")" + digest + R"(","hint":"h"})"
                                                         : R"({"enabled":false})";
        ASSERT_TRUE(WriteWholeFile(ConfigFilePath(),
                                   R"({"servers":[)" + servers + R"(],"security":)" + security + "}"));
    }

    std::string FileText() { return dir_.Raw(ConfigFilePath()); }

    MemoryDataDir dir_;
    AppConfig config_;
};

}  // namespace

TEST_F(PasswordTest, EverySetChoosesAFreshSaltAndOnlyThatPasswordVerifies) {
    ASSERT_TRUE(SetStartupPassword(config_, "开门 Sesame!", "老地方"));
    const SecuritySettings first = config_.security;
    EXPECT_TRUE(first.enabled);
    EXPECT_EQ(first.hint, "老地方");
    EXPECT_EQ(first.iterations, startup_password::kIterations);
    EXPECT_EQ(first.salt.size(), 32u);
    EXPECT_EQ(first.hash.size(), 64u);
    EXPECT_EQ(config_.passwordKey.get().size(), 32u);
    EXPECT_TRUE(VerifyStartupPassword(config_, "开门 Sesame!"));
    for (const char* wrong : {"", "开门 Sesame", "开门 Sesame!!", "开门 sesame!", " 开门 Sesame!"})
        EXPECT_FALSE(VerifyStartupPassword(config_, wrong)) << wrong;
    const std::string firstKey = config_.passwordKey.get();
    ASSERT_TRUE(SetStartupPassword(config_, "开门 Sesame!", "老地方"));
    EXPECT_NE(config_.security.salt, first.salt);
    EXPECT_NE(config_.security.hash, first.hash);
    EXPECT_NE(config_.passwordKey.get(), firstKey);
    EXPECT_TRUE(VerifyStartupPassword(config_, "开门 Sesame!"));
}

// Every answer pays the whole derivation at the stored count, whether it is
// wrong at the first byte, empty, or right; nothing is remembered between
// answers. A count beyond reason is refused without running it.
TEST_F(PasswordTest, EveryAnswerCostsTheSlowDerivation) {
    ASSERT_TRUE(SetStartupPassword(config_, "right-one", ""));
    AppConfig started = Reloaded();
    for (const char* typed : {"x", "", "right-on", "right-one", "right-one"}) {
        const std::uint64_t before = Pbkdf2IterationsRun();
        const bool right = std::string(typed) == "right-one";
        EXPECT_EQ(VerifyStartupPassword(started, typed), right) << typed;
        EXPECT_EQ(UnlockStartupPassword(started, typed), right) << typed;
        EXPECT_EQ(Pbkdf2IterationsRun() - before, 2u * startup_password::kIterations) << typed;
    }
    started.security.iterations = startup_password::kMaxIterations + 1;
    const std::uint64_t before = Pbkdf2IterationsRun();
    EXPECT_FALSE(VerifyStartupPassword(started, "right-one"));
    EXPECT_EQ(Pbkdf2IterationsRun(), before);
}

// With a start-up password the old digest opens once and is replaced by the
// slow verifier, and every password is sealed under the key: the file alone
// gives nothing to the old scramble, to the account's protection, or to any
// key but the one the password derives.
TEST_F(PasswordTest, AnOldDigestOpensOnceAndTheFileRevealsNothing) {
    WriteOldFile(true);
    AppConfig wrong = Reloaded();
    EXPECT_FALSE(UnlockStartupPassword(wrong, "secret-px"));
    EXPECT_EQ(wrong.security.iterations, 0);
    const AppConfig started = Started("secret-pw");
    EXPECT_EQ(started.security.iterations, startup_password::kIterations);
    EXPECT_EQ(Plain(started), (std::vector<std::string>{"P@ssw0rd!", "密码123", ""}));
    AppConfig onDisk = Reloaded();
    EXPECT_EQ(onDisk.security.hash, started.security.hash);
    EXPECT_EQ(Forms(onDisk), (std::vector<std::string>{"aesgcm1:", "aesgcm1:", ""}));
    const std::string text = FileText();
    for (const ServerRecord& s : onDisk.servers) {
        if (s.sealedPassword.empty()) continue;
        const std::string payload = s.sealedPassword.substr(s.sealedPassword.find(':') + 1);
        for (const std::string& revealed :
             {OpenOldScramble(s.sealedPassword), OpenOldScramble(payload), Base64Decode(payload)}) {
            for (const char* pw : {"P@ssw0rd!", "密码123"}) EXPECT_EQ(revealed.find(pw), std::string::npos);
        }
        std::string plain;
        EXPECT_FALSE(OpenPassword(onDisk, s.sealedPassword, &plain));  // no key before the unlock
        EXPECT_FALSE(UnprotectForUser(Base64Decode(payload), &plain));
    }
    for (const char* pw : {"P@ssw0rd!", "密码123"}) EXPECT_EQ(text.find(pw), std::string::npos);
    // The old digest is gone: only the new password's derivation opens now.
    EXPECT_TRUE(UnlockStartupPassword(onDisk, "secret-pw"));
    EXPECT_EQ(Plain(onDisk), Plain(started));
}

// "enabled": false edited into the file skips the unlock, and with it the
// key: every password is unavailable (the pass that drops them tells the
// user and keeps the rest of each server: the stored passwords' test).
TEST_F(PasswordTest, TurningTheProtectionOffInTheFileExposesNoPassword) {
    WriteOldFile(true);
    Started("secret-pw");
    std::string text = FileText();
    const std::size_t at = text.find("\"enabled\": true");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 15, "\"enabled\": false");
    ASSERT_TRUE(WriteWholeFile(ConfigFilePath(), text));
    AppConfig tampered = Reloaded();
    EXPECT_FALSE(StartupPasswordInForce(tampered));
    const std::uint64_t before = Pbkdf2IterationsRun();
    const AppConfig started = Started("");
    EXPECT_EQ(Pbkdf2IterationsRun(), before);  // no dialog, no derivation
    EXPECT_EQ(Plain(started), (std::vector<std::string>{"", "", ""}));
}

// Setting, changing and clearing seal every password again in one save; the
// previous key opens none of them after a change. (The old scramble sealed
// for the account at the start is the stored passwords' test.)
TEST_F(PasswordTest, SetChangeAndClearSealEveryPasswordAgain) {
    WriteOldFile(false);
    config_ = Started("");
    ASSERT_TRUE(SetStartupPassword(config_, "first-pw", "h"));
    EXPECT_EQ(Forms(Reloaded()), (std::vector<std::string>{"aesgcm1:", "aesgcm1:", ""}));
    EXPECT_EQ(Plain(Started("first-pw")), (std::vector<std::string>{"P@ssw0rd!", "密码123", ""}));
    AppConfig oldKey = config_;
    ASSERT_TRUE(SetStartupPassword(config_, "second-pw", "h"));
    AppConfig changed = Reloaded();
    changed.passwordKey = oldKey.passwordKey;
    EXPECT_EQ(Plain(changed), (std::vector<std::string>{"<refused>", "<refused>", ""}));
    EXPECT_EQ(Plain(Started("second-pw")), (std::vector<std::string>{"P@ssw0rd!", "密码123", ""}));
    ASSERT_TRUE(ClearStartupPassword(config_));
    EXPECT_TRUE(config_.passwordKey.empty());
    const AppConfig cleared = Reloaded();
    EXPECT_EQ(DescribeSettings(cleared), DescribeSettings(AppConfig()));
    EXPECT_EQ(Forms(cleared), (std::vector<std::string>{"dpapi1:", "dpapi1:", ""}));
    EXPECT_EQ(Plain(cleared), (std::vector<std::string>{"P@ssw0rd!", "密码123", ""}));
    // An empty password clears as well.
    ASSERT_TRUE(SetStartupPassword(config_, "pw-again", ""));
    ASSERT_TRUE(SetStartupPassword(config_, "", "ignored"));
    EXPECT_FALSE(Reloaded().security.enabled);
}

// A failed save changes nothing: neither the verifier nor a single sealed
// password, in the file or in memory.
TEST_F(PasswordTest, AFailedSaveLeavesEverythingAsItWas) {
    WriteOldFile(false);
    config_ = Started("");
    const AppConfig before = config_;
    ASSERT_TRUE(EnsureDir(ConfigFilePath() + ".tmp"));
    EXPECT_FALSE(SetStartupPassword(config_, "new-pw", ""));
    EXPECT_FALSE(config_.security.enabled);
    EXPECT_TRUE(config_.passwordKey.empty());
    for (std::size_t i = 0; i < before.servers.size(); ++i)
        EXPECT_EQ(config_.servers[i].sealedPassword, before.servers[i].sealedPassword);
    EXPECT_FALSE(config_.saveError.empty());
}
