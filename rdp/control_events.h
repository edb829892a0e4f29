// The event numbers (DISPIDs) of the RDP control's event interface that the
// sessions act on, as imstscaxevents-interface lists them
// (learn.microsoft.com/windows/win32/termserv/imstscaxevents-interface).
// Platform facts: the stand-in control keeps its own copy, written
// independently, and a test compares the two.
#pragma once

#include <oaidl.h>

enum ControlEvent : DISPID {
    kOnConnecting = 1,
    kOnConnected = 2,
    kOnLoginComplete = 3,
    kOnDisconnected = 4,
    kOnFatalError = 10,
    kOnWarning = 11,
    kOnRemoteDesktopSizeChange = 12,  // (width, height)
    kOnAutoReconnecting = 17,         // (reason, attempt, continue flag by reference)
    kOnAuthenticationWarningDisplayed = 18,
    kOnAuthenticationWarningDismissed = 19,
    kOnLogonError = 22,     // (code)
    kOnFocusReleased = 23,  // (direction)
    kOnAutoReconnected = 33,
    kOnAutoReconnecting2 = 34,  // (reason, network available, attempt, most attempts)
};
