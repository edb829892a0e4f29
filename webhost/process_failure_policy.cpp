#include "webhost/process_failure_policy.h"

RecoveryAction ProcessFailurePolicy::Decide(int kind, std::int64_t nowMs) {
    RecoveryAction action = RecoveryAction::kNone;
    if (kind == static_cast<int>(FailedProcess::kBrowserExited)) {
        action = RecoveryAction::kRecreate;
    } else if (kind == static_cast<int>(FailedProcess::kRenderExited) ||
               kind == static_cast<int>(FailedProcess::kRenderUnresponsive)) {
        action = RecoveryAction::kReload;
    }
    // A hung renderer is reported again every few seconds: once given up
    // on, the user has been told and is not told again.
    if (action == RecoveryAction::kNone || gaveUp_) return RecoveryAction::kNone;
    if (recovered_ && nowMs - lastRecoveryMs_ < kRepeatWindowMs) {
        gaveUp_ = true;
        return RecoveryAction::kGiveUp;
    }
    recovered_ = true;
    lastRecoveryMs_ = nowMs;
    return action;
}
