// What an OnLogonError code means for the session. The control raises the
// event for every logon event, not only for failures: most codes say that
// the logon goes on, or that a dialog is up inside the remote session, and
// only some say that it has ended.
// learn.microsoft.com/windows/win32/termserv/imstscaxevents-onlogonerror
#pragma once

#include <cstdint>

struct LogonErrorMeaning {
    // The logon has ended: the session is failed and its tab may close.
    bool endsLogon = false;
    // What the user is told, in Chinese; never null.
    const char* text = "";
    // Worth a notice on the page; the rest is only logged.
    bool tellUser = false;
};

// Codes Microsoft does not list (its list "is not exhaustive") are kept as
// information: a logon that really ends is followed by OnDisconnected.
LogonErrorMeaning MeaningOfLogonError(std::int32_t code);
