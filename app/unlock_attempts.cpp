#include "app/unlock_attempts.h"

#include "core/text.h"

bool NeedsUnlock(const AppConfig* config) {
    return config != nullptr && config->security.enabled && !config->security.hash.empty();
}

SubmitOutcome UnlockAttempts::Submit(const std::string& typed) {
    if (done_ || checking_) return SubmitOutcome::Finished;
    if (typed.empty()) {
        message_ = "请输入密码";
        return SubmitOutcome::Empty;
    }
    checking_ = true;
    return SubmitOutcome::Checking;
}

SubmitOutcome UnlockAttempts::Checked(bool right) {
    if (!checking_ || done_) return SubmitOutcome::Finished;
    checking_ = false;
    if (right) {
        unlocked_ = true;
        done_ = true;
        return SubmitOutcome::Unlocked;
    }
    ++attempts_;
    if (attempts_ >= unlock::kMaxAttempts) {
        done_ = true;
        return SubmitOutcome::OutOfAttempts;
    }
    // Only the number of attempts left: never which part was wrong.
    message_ = Format("密码不正确，还可以尝试 %d 次", unlock::kMaxAttempts - attempts_);
    return SubmitOutcome::Wrong;
}

void UnlockAttempts::GiveUp() {
    done_ = true;
}

UnlockMessageLine MessageLineFor(bool checking, const std::string& message, const std::string& hint) {
    if (checking) return {UnlockMessageLine::Tone::Hint, "正在验证…"};
    if (!message.empty()) return {UnlockMessageLine::Tone::Error, message};
    if (!hint.empty()) return {UnlockMessageLine::Tone::Hint, "提示：" + hint};
    return {};
}
