// The interfaces of the platform's RDP control that the Windows SDK headers
// of MinGW do not declare, and the event numbers the stand-in fires.
#pragma once

#include <oaidl.h>

// {302D8188-0052-4807-806A-362B628F9AC5}
constexpr IID kIidMsRdpExtendedSettings = {
    0x302D8188, 0x0052, 0x4807, {0x80, 0x6A, 0x36, 0x2B, 0x62, 0x8F, 0x9A, 0xC5}};

// The control's event interface, a dispinterface: sinks are reached through
// IDispatch::Invoke.
// {336D5562-EFA8-482E-8CB3-C5C0FC7A7DB6}
constexpr IID kIidMsTscAxEvents = {
    0x336D5562, 0xEFA8, 0x482E, {0x8C, 0xB3, 0xC5, 0xC0, 0xFC, 0x7A, 0x7D, 0xB6}};

struct IMsRdpExtendedSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_Property(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Property(BSTR name, VARIANT* value) = 0;
};

// The not-scriptable interfaces, reached only through their vtables, are
// declared by rdp_vtables.idl (their C++ form is generated as rdp_vtables.h).

// The events' numbers, each from the table of imstscaxevents-interface and
// the event's own page (learn.microsoft.com/windows/win32/termserv/<page>).
enum EventDispid : DISPID {
    kOnConnecting = 1,                       // imstscaxevents-onconnecting
    kOnConnected = 2,                        // imstscaxevents-onconnected
    kOnLoginComplete = 3,                    // imstscaxevents-onlogincomplete
    kOnDisconnected = 4,                     // imstscaxevents-ondisconnected
    kOnFatalError = 10,                      // imstscaxevents-onfatalerror
    kOnWarning = 11,                         // imstscaxevents-onwarning
    kOnRemoteDesktopSizeChange = 12,         // imstscaxevents-onremotedesktopsizechange
    kOnAutoReconnecting = 17,                // -imstscaxevents--onautoreconnecting
    kOnAuthenticationWarningDisplayed = 18,  // imstscaxevents-onauthenticationwarningdisplayed
    kOnAuthenticationWarningDismissed = 19,  // imstscaxevents-onauthenticationwarningdismissed
    kOnLogonError = 22,                      // imstscaxevents-onlogonerror
    kOnFocusReleased = 23,                   // imstscaxevents-onfocusreleased
    kOnAutoReconnected = 33,                 // imstscaxevents-onautoreconnected
    kOnAutoReconnecting2 = 34,               // imstscaxevents-onautoreconnecting2
};

// OnFocusReleased's direction: 1 for Ctrl+Alt+Right; the page's "1" for
// Ctrl+Alt+Left has lost its sign, and the left arrow is the other way.
constexpr long kFocusReleasedRight = 1;
constexpr long kFocusReleasedLeft = -1;

// OnDisconnected reasons.
enum DisconnectReason : long {
    kReasonLocal = 1,
    kReasonRemote = 2,
    kReasonDnsLookupFailed = 260,
    kReasonTimedOut = 264,
    kReasonSocketConnectFailed = 516,
    kReasonSocketRecvFailed = 1028,  // disconnectReasonSocketRecvFailed
    kReasonSocketClosed = 2308,      // disconnectReasonAtClientWinsockFDCLOSE
};
