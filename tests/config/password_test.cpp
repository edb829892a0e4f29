#include "config/password.h"

#include <gtest/gtest.h>

#include "config/config_store.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "support/test_support.h"

namespace {

class PasswordTest : public ::testing::Test {
protected:
    void SetUp() override { SetDataDirOverride(dir_.path()); }
    void TearDown() override { SetDataDirOverride(""); }

    // The settings as the next start reads them from the file.
    static std::string Reloaded() {
        AppConfig loaded;
        EXPECT_TRUE(LoadConfig(loaded));
        return DescribeSettings(loaded);
    }

    static bool IsLowerHex(const std::string& text) {
        return text.find_first_not_of("0123456789abcdef") == std::string::npos;
    }

    TempDir dir_;
    AppConfig config_;
};

}  // namespace

TEST_F(PasswordTest, EverySetChoosesAFreshSaltAndOnlyThatPasswordVerifies) {
    ASSERT_TRUE(SetStartupPassword(config_, "开门 Sesame!", "老地方"));
    const SecuritySettings first = config_.security;
    EXPECT_TRUE(first.enabled);
    EXPECT_EQ(first.hint, "老地方");
    EXPECT_TRUE(first.salt.size() == 32u && IsLowerHex(first.salt)) << first.salt;
    EXPECT_TRUE(first.hash.size() == 64u && IsLowerHex(first.hash)) << first.hash;
    EXPECT_TRUE(VerifyStartupPassword(config_, "开门 Sesame!"));
    for (const char* wrong : {"", "开门 Sesame", "开门 Sesame!!", "开门 sesame!", " 开门 Sesame!"})
        EXPECT_FALSE(VerifyStartupPassword(config_, wrong)) << wrong;
    ASSERT_TRUE(SetStartupPassword(config_, "开门 Sesame!", "老地方"));
    EXPECT_NE(config_.security.salt, first.salt);
    EXPECT_NE(config_.security.hash, first.hash);
    EXPECT_TRUE(VerifyStartupPassword(config_, "开门 Sesame!"));
}

// The digest is SHA-256 over salt, "|" and the password's UTF-8 bytes;
// stores written by other installations depend on exactly that. Without
// protection in force everything verifies.
TEST_F(PasswordTest, DigestOfSaltBarAndPasswordOnlyWhenProtected) {
    config_.security.salt = "00112233445566778899aabbccddeeff";
    config_.security.hash = "cb1f115d8713d4396290d30e31f5379e5c276a36bd408fe507367580ddd75616";
    EXPECT_TRUE(VerifyStartupPassword(config_, "anything"));  // not enabled
    config_.security.enabled = true;
    EXPECT_TRUE(VerifyStartupPassword(config_, "secret"));
    EXPECT_FALSE(VerifyStartupPassword(config_, "secreT"));
    config_.security.hash = "ef4e0f735d2dd96c73dd86c414567465ea9233393de9a80a960783c352e3f487";
    EXPECT_TRUE(VerifyStartupPassword(config_, "密码"));
    // A stored hash of another length never matches.
    config_.security.hash = "ef4e0f735d2dd96c";
    EXPECT_FALSE(VerifyStartupPassword(config_, "密码"));
    config_.security.hash.clear();  // enabled without a hash
    EXPECT_TRUE(VerifyStartupPassword(config_, "anything"));
}

TEST_F(PasswordTest, EachChangeIsSaved) {
    ASSERT_TRUE(SetStartupPassword(config_, "pw", "hint"));
    EXPECT_TRUE(config_.security.enabled);
    EXPECT_EQ(Reloaded(), DescribeSettings(config_));
    ClearStartupPassword(config_);
    EXPECT_EQ(DescribeSettings(config_), DescribeSettings(AppConfig()));
    EXPECT_EQ(Reloaded(), DescribeSettings(config_));
    // An empty password turns the protection off as well.
    ASSERT_TRUE(SetStartupPassword(config_, "pw", "hint"));
    ASSERT_TRUE(SetStartupPassword(config_, "", "ignored"));
    EXPECT_EQ(DescribeSettings(config_), DescribeSettings(AppConfig()));
    EXPECT_EQ(Reloaded(), DescribeSettings(config_));
}

TEST_F(PasswordTest, FailedSaveIsReportedAndTheChangeStaysInMemory) {
    SetDataDirOverride(dir_.file("blocked"));
    ASSERT_TRUE(WriteWholeFile(dir_.file("blocked"), "a file where the folder should be"));
    EXPECT_FALSE(SetStartupPassword(config_, "pw", ""));
    EXPECT_TRUE(config_.security.enabled);
    EXPECT_TRUE(VerifyStartupPassword(config_, "pw"));
}
