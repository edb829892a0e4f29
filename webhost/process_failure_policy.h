// What the web host does when a browser process fails: the runtime tells
// which process went (ProcessFailed); the page is brought back once, and a
// second failure soon after is given up on rather than looping. No operating
// system here, so the native build's tests reach it.
#pragma once

#include <cstdint>

// COREWEBVIEW2_PROCESS_FAILED_KIND's values that decide something, from
// learn.microsoft.com/microsoft-edge/webview2/reference/win32/icorewebview2processfailedeventargs
// (the enumeration's page): the browser process gone closes the view, which
// must be made anew; the main frame's renderer gone or hung leaves an error
// page, which Reload recovers; every other kind recovers by itself.
enum class FailedProcess : int {
    kBrowserExited = 0,
    kRenderExited = 1,
    kRenderUnresponsive = 2,
};

enum class RecoveryAction {
    kNone,      // the runtime recovers by itself; only logged
    kReload,    // reload the page
    kRecreate,  // make a new environment, controller and view
    kGiveUp,    // the page failed again soon after a recovery: tell the user, once
};

class ProcessFailurePolicy {
public:
    // A failure within this long of the last recovery is given up on.
    static constexpr std::int64_t kRepeatWindowMs = 60 * 1000;

    // kind: the runtime's value; nowMs: a monotonic clock.
    RecoveryAction Decide(int kind, std::int64_t nowMs);

private:
    bool gaveUp_ = false;
    bool recovered_ = false;
    std::int64_t lastRecoveryMs_ = 0;
};
