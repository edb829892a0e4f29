#include "app/unlock_attempts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A submit and, when it asks for one, the check's answer; seen keeps every
// text that was checked.
SubmitOutcome SubmitChecked(UnlockAttempts& attempts, const std::string& typed,
                            std::vector<std::string>* seen) {
    const SubmitOutcome outcome = attempts.Submit(typed);
    if (outcome != SubmitOutcome::Checking) return outcome;
    seen->push_back(typed);
    EXPECT_EQ(attempts.Submit("secret"), SubmitOutcome::Finished) << "a second submit while checking";
    return attempts.Checked(typed == "secret");
}

}  // namespace

TEST(UnlockAttempts, OnlyAPasswordInForceShowsTheDialog) {
    const struct {
        bool enabled;
        const char* hash;
        bool needed;
    } cases[] = {{true, "ab", true}, {true, "", false}, {false, "ab", false}, {false, "", false}};
    for (const auto& c : cases) {
        AppConfig config;
        config.security.enabled = c.enabled;
        config.security.hash = c.hash;
        EXPECT_EQ(NeedsUnlock(&config), c.needed) << c.enabled << " " << c.hash;
    }
    EXPECT_FALSE(NeedsUnlock(nullptr));
}

// Four wrong passwords count down from 4 to 1, empty ones in between use
// nothing and are never checked, nor is anything typed while a check runs;
// the fifth wrong one ends the dialog locked, and an ended dialog takes
// nothing more, not even the right password.
TEST(UnlockAttempts, FiveWrongPasswordsEndLocked) {
    std::vector<std::string> seen;
    UnlockAttempts attempts;
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
        {"secret!", SubmitOutcome::OutOfAttempts, "密码不正确，还可以尝试 1 次"},
        {"secret", SubmitOutcome::Finished, "密码不正确，还可以尝试 1 次"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(SubmitChecked(attempts, s.typed, &seen), s.outcome) << s.typed;
        EXPECT_EQ(attempts.message(), s.message) << s.typed;
        EXPECT_EQ(attempts.done(),
                  s.outcome == SubmitOutcome::OutOfAttempts || s.outcome == SubmitOutcome::Finished)
            << s.typed;
    }
    EXPECT_FALSE(attempts.unlocked());
    EXPECT_EQ(seen, (std::vector<std::string>{"Secret", "secret ", "secre", "密码", "secret!"}));
    EXPECT_EQ(attempts.Checked(true), SubmitOutcome::Finished);
    EXPECT_FALSE(attempts.unlocked());
}

TEST(UnlockAttempts, TheLineUnderTheField) {
    using Tone = UnlockMessageLine::Tone;
    const struct {
        bool checking;
        const char* message;
        const char* hint;
        Tone tone;
        const char* text;
    } cases[] = {
        {true, "密码不正确，还可以尝试 4 次", "老地方", Tone::Hint, "正在验证…"},
        {false, "请输入密码", "老地方", Tone::Error, "请输入密码"},
        {false, "", "老地方", Tone::Hint, "提示：老地方"},
        {false, "", "", Tone::None, ""},
    };
    for (const auto& c : cases) {
        const UnlockMessageLine line = MessageLineFor(c.checking, c.message, c.hint);
        EXPECT_EQ(line.tone, c.tone) << c.message << "|" << c.hint;
        EXPECT_EQ(line.text, c.text) << c.message << "|" << c.hint;
    }
}
