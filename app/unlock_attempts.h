// The unlock dialog's rules without its window: whether it is needed, what a
// submitted password does, and what the line under the field says.
#pragma once

#include <string>

#include "config/app_config.h"
#include "config/password.h"

namespace unlock {
constexpr int kMaxAttempts = startup_password::kMaxAttempts;
constexpr int kMaxPasswordChars = startup_password::kMaxChars;
}  // namespace unlock

// False without a store, or when its start-up password is not in force
// (not enabled, or no digest): then no dialog is shown at all.
bool NeedsUnlock(const AppConfig* config);

enum class SubmitOutcome {
    Empty,          // nothing typed: a reminder, no attempt used
    Checking,       // the caller checks the password and reports with Checked
    Unlocked,       // the right password: the dialog ends with true
    Wrong,          // attempts remain: the count-down is shown, the field cleared
    OutOfAttempts,  // the last attempt was wrong: the dialog ends with false
    Finished        // the dialog had ended, or a check is running: nothing changes
};

// The check itself takes the slow derivation, so it runs away from the
// dialog's thread: a submit starts it, Checked ends it.
class UnlockAttempts {
public:
    // typed is UTF-8; only a non-empty text is ever to be checked.
    SubmitOutcome Submit(const std::string& typed);
    // The answer to the check a Checking submit asked for.
    SubmitOutcome Checked(bool right);
    // Escape, the exit button or closing the window: ends, not unlocked,
    // without using an attempt.
    void GiveUp();

    bool done() const { return done_; }
    bool checking() const { return checking_; }
    bool unlocked() const { return unlocked_; }
    int attempts() const { return attempts_; }
    // The error line under the field; empty until a submit fails.
    const std::string& message() const { return message_; }

private:
    std::string message_;
    int attempts_ = 0;
    bool checking_ = false;
    bool done_ = false;
    bool unlocked_ = false;
};

// What the line under the field shows: that a check is running, else the
// error when there is one, else the stored hint after "提示：", else nothing.
struct UnlockMessageLine {
    enum class Tone { None, Error, Hint };
    Tone tone = Tone::None;
    std::string text;
};

UnlockMessageLine MessageLineFor(bool checking, const std::string& message, const std::string& hint);
