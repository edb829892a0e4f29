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

enum EventDispid : DISPID {
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

// OnDisconnected reasons.
enum DisconnectReason : long {
    kReasonLocal = 1,
    kReasonRemote = 2,
    kReasonDnsLookupFailed = 260,
    kReasonTimedOut = 264,
    kReasonSocketConnectFailed = 516,
};
