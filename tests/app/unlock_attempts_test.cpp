#include "app/unlock_attempts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A verifier that accepts one password and remembers every text it saw.
struct FakeVerifier {
    std::string right;
    std::vector<std::string> seen;

    UnlockAttempts::Verifier get() {
        return [this](const std::string& typed) {
            seen.push_back(typed);
            return typed == right;
        };
    }
};

}  // namespace

TEST(UnlockAttempts, OnlyAPasswordInForceShowsTheDialog) {
    const struct {
        const char* name;
        bool enabled;
        const char* hash;
        bool needed;
    } cases[] = {
        {"enabled with a digest", true, "ab", true},
        {"enabled without a digest", true, "", false},
        {"a digest left behind while disabled", false, "ab", false},
        {"nothing set", false, "", false},
    };
    for (const auto& c : cases) {
        AppConfig config;
        config.security.enabled = c.enabled;
        config.security.hash = c.hash;
        EXPECT_EQ(NeedsUnlock(&config), c.needed) << c.name;
    }
    EXPECT_FALSE(NeedsUnlock(nullptr));
}

// Four wrong passwords count down from 4 to 1 and an empty one in between
// uses nothing; the fifth wrong one ends the dialog locked.
TEST(UnlockAttempts, FiveWrongPasswordsEndLocked) {
    FakeVerifier verifier{"secret", {}};
    UnlockAttempts attempts(verifier.get());
    EXPECT_EQ(attempts.message(), "");
    const struct {
        const char* typed;
        SubmitOutcome outcome;
        const char* message;
    } steps[] = {
        {"", SubmitOutcome::Empty, "请输入密码"},
        {"Secret", SubmitOutcome::Wrong, "密码不正确，还可以尝试 4 次"},
        {"secret ", SubmitOutcome::Wrong, "密码不正确，还可以尝试 3 次"},
        {"", SubmitOutcome::Empty, "请输入密码"},
        {"secre", SubmitOutcome::Wrong, "密码不正确，还可以尝试 2 次"},
        {"密码", SubmitOutcome::Wrong, "密码不正确，还可以尝试 1 次"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(attempts.Submit(s.typed), s.outcome) << s.typed;
        EXPECT_EQ(attempts.message(), s.message) << s.typed;
        EXPECT_FALSE(attempts.done()) << s.typed;
    }
    EXPECT_EQ(attempts.attempts(), 4);
    EXPECT_EQ(attempts.Submit("secret!"), SubmitOutcome::OutOfAttempts);
    EXPECT_TRUE(attempts.done());
    EXPECT_FALSE(attempts.unlocked());
    // An ended dialog takes nothing more, not even the right password.
    EXPECT_EQ(attempts.Submit("secret"), SubmitOutcome::Finished);
    EXPECT_FALSE(attempts.unlocked());
    EXPECT_EQ(verifier.seen, (std::vector<std::string>{"Secret", "secret ", "secre", "密码", "secret!"}));
}

TEST(UnlockAttempts, TheRightPasswordAfterFourWrongOnesUnlocks) {
    FakeVerifier verifier{"开门 Sesame", {}};
    UnlockAttempts attempts(verifier.get());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(attempts.Submit("wrong"), SubmitOutcome::Wrong);
    EXPECT_EQ(attempts.Submit("开门 Sesame"), SubmitOutcome::Unlocked);
    EXPECT_TRUE(attempts.done());
    EXPECT_TRUE(attempts.unlocked());
    attempts.GiveUp();  // a late Escape changes nothing
    EXPECT_TRUE(attempts.unlocked());
}

TEST(UnlockAttempts, GivingUpEndsLockedWithoutAnAttempt) {
    FakeVerifier verifier{"secret", {}};
    UnlockAttempts attempts(verifier.get());
    EXPECT_EQ(attempts.Submit("wrong"), SubmitOutcome::Wrong);
    attempts.GiveUp();
    EXPECT_TRUE(attempts.done());
    EXPECT_FALSE(attempts.unlocked());
    EXPECT_EQ(attempts.attempts(), 1);
    EXPECT_EQ(attempts.Submit("secret"), SubmitOutcome::Finished);
    EXPECT_EQ(verifier.seen.size(), 1u);
}

TEST(UnlockAttempts, TheLineUnderTheField) {
    using Tone = UnlockMessageLine::Tone;
    const struct {
        const char* message;
        const char* hint;
        Tone tone;
        const char* text;
    } cases[] = {
        {"请输入密码", "老地方", Tone::Error, "请输入密码"},
        {"", "老地方", Tone::Hint, "提示：老地方"},
        {"", "", Tone::None, ""},
    };
    for (const auto& c : cases) {
        const UnlockMessageLine line = MessageLineFor(c.message, c.hint);
        EXPECT_EQ(line.tone, c.tone) << c.message << "|" << c.hint;
        EXPECT_EQ(line.text, c.text) << c.message << "|" << c.hint;
    }
}
