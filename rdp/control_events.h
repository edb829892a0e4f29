// The event numbers (DISPIDs) of the RDP control's event interface that the
// sessions act on. Platform facts: the stand-in control keeps its own copy,
// written independently, and a test compares the two.
#pragma once

#include <oaidl.h>

enum ControlEvent : DISPID {
    kOnConnecting = 1,
    kOnConnected = 2,
    kOnLoginComplete = 3,
    kOnDisconnected = 4,
    kOnFatalError = 10,
    kOnWarning = 11,
    kOnRemoteDesktopSizeChange = 12,
    kOnAutoReconnecting = 17,
    kOnLogonError = 23,
};
