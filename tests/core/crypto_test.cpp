#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/random.h"
#include "core/secret_crypto.h"
#include "core/sha256.h"
#include "core/text.h"

TEST(Sha256, MatchesKnownDigests) {
    const struct {
        std::string data;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        std::string digest;
        ASSERT_TRUE(Sha256Hex(c.data, &digest));
        EXPECT_EQ(digest, c.digest) << c.data.size();
    }
}

TEST(RandomHexTest, TwoLowerHexDigitsPerByteAndNeverTheSameTwice) {
    for (std::size_t bytes : {0, 1, 1000}) EXPECT_EQ(RandomHex(bytes).size(), 2 * bytes);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string text = RandomHex(16);
        EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200u);
}

// The system's PBKDF2-HMAC-SHA256 against published vectors (RFC 7914,
// section 11, and the widely used "password"/"salt" ones).
TEST(Pbkdf2Sha256, MatchesKnownVectorsAndCountsItsIterations) {
    const struct {
        const char *password, *salt;
        std::uint64_t iterations;
        const char* key;
    } cases[] = {
        {"password", "salt", 1, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {"password", "salt", 4096, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
        {"passwd", "salt", 1, "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"},
    };
    for (const auto& c : cases) {
        std::string key;
        const std::uint64_t before = Pbkdf2IterationsRun();
        ASSERT_TRUE(DerivePbkdf2Sha256(c.password, c.salt, c.iterations, &key));
        EXPECT_EQ(HexLower(key), c.key) << c.password << " " << c.iterations;
        EXPECT_EQ(Pbkdf2IterationsRun() - before, c.iterations);
    }
    std::string mac;
    ASSERT_TRUE(HmacSha256("key", "The quick brown fox jumps over the lazy dog", &mac));
    EXPECT_EQ(HexLower(mac), "f7bc83f430538424b13298e6aa6fb143ef4d59a14946175997479dbc2d1a3cd8");
}

// A sealed blob opens with its key alone and refuses any changed byte; the
// account's protection opens what it sealed, never another blob.
TEST(SealedSecrets, OpenOnlyUnchangedWithTheirKey) {
    const std::string key(32, 'k'), other(32, 'o');
    std::string blob, again, plain;
    ASSERT_TRUE(SealWithKey(key, "密码 pw", &blob));
    ASSERT_TRUE(SealWithKey(key, "密码 pw", &again));
    EXPECT_NE(blob, again);  // a fresh nonce each time
    EXPECT_EQ(blob.size(), 12 + std::string("密码 pw").size() + 16);
    ASSERT_TRUE(OpenWithKey(key, blob, &plain));
    EXPECT_EQ(plain, "密码 pw");
    EXPECT_FALSE(OpenWithKey(other, blob, &plain));
    EXPECT_FALSE(SealWithKey("short", "x", &blob));
    for (std::size_t i = 0; i < blob.size(); ++i) {
        std::string changed = blob;
        changed[i] = static_cast<char>(changed[i] ^ 1);
        EXPECT_FALSE(OpenWithKey(key, changed, &plain)) << i;
    }
    EXPECT_FALSE(OpenWithKey(key, blob.substr(0, 27), &plain));

    std::string account;
    ASSERT_TRUE(ProtectForUser("s3cret", &account));
    EXPECT_EQ(account.find("s3cret"), std::string::npos);
    ASSERT_TRUE(UnprotectForUser(account, &plain));
    EXPECT_EQ(plain, "s3cret");
    // The tail: sealed data and signature. (Wine does not check some of the
    // header's fields, such as the master key's id, which Windows would not
    // find; the part that carries the secret it does check.)
    for (const std::size_t from_end : {1, 30}) {
        std::string changed = account;
        changed[changed.size() - from_end] = static_cast<char>(changed[changed.size() - from_end] ^ 1);
        EXPECT_FALSE(UnprotectForUser(changed, &plain)) << from_end;
    }
    EXPECT_FALSE(UnprotectForUser(RandomHex(100), &plain));
    EXPECT_EQ(plain, "s3cret");  // a refusal leaves the output alone
}
