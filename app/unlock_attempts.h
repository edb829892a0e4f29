// The unlock dialog's rules without its window: whether it is needed, what a
// submitted password does, and what the line under the field says.
#pragma once

#include <functional>
#include <string>
#include <utility>

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
    Unlocked,       // the right password: the dialog ends with true
    Wrong,          // attempts remain: the count-down is shown, the field cleared
    OutOfAttempts,  // the last attempt was wrong: the dialog ends with false
    Finished        // the dialog had already ended: nothing changes
};

class UnlockAttempts {
public:
    using Verifier = std::function<bool(const std::string& password)>;

    explicit UnlockAttempts(Verifier verify) : verify_(std::move(verify)) {}

    // typed is UTF-8; the verifier never sees an empty text.
    SubmitOutcome Submit(const std::string& typed);
    // Escape, the exit button or closing the window: ends, not unlocked,
    // without using an attempt.
    void GiveUp();

    bool done() const { return done_; }
    bool unlocked() const { return unlocked_; }
    int attempts() const { return attempts_; }
    // The error line under the field; empty until a submit fails.
    const std::string& message() const { return message_; }

private:
    Verifier verify_;
    std::string message_;
    int attempts_ = 0;
    bool done_ = false;
    bool unlocked_ = false;
};

// What the line under the field shows: the error when there is one, else
// the stored hint after "提示：", else nothing.
struct UnlockMessageLine {
    enum class Tone { None, Error, Hint };
    Tone tone = Tone::None;
    std::string text;
};

UnlockMessageLine MessageLineFor(const std::string& message, const std::string& hint);
