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

// The not-scriptable interfaces, reached only through their vtables.
// imstscnonscriptable-cleartextpassword (Requirements):
// {C1E6743A-41C1-4A74-832A-0DD06C1C7A0E}
constexpr IID kIidMsTscNonScriptable = {
    0xC1E6743A, 0x41C1, 0x4A74, {0x83, 0x2A, 0x0D, 0xD0, 0x6C, 0x1C, 0x7A, 0x0E}};
// imsrdpclientnonscriptable3 (Requirements):
// {B3378D90-0728-45C7-8ED7-B6159FB92219}
constexpr IID kIidMsRdpClientNonScriptable3 = {
    0xB3378D90, 0x0728, 0x45C7, {0x8E, 0xD7, 0xB6, 0x15, 0x9F, 0xB9, 0x22, 0x19}};

// Methods in vtable order: IMsTscNonScriptable's as the Windows CE reference
// lists them "in vtable order" (learn.microsoft.com/previous-versions/
// windows/embedded/ee486366(v=winembedded.60)); IMsRdpClientNonScriptable's
// likewise (previous-versions/aa917331(v=msdn.10)); each property put before
// its get, in the order of the type library MsTscAx.dll. Members of
// IMsRdpClientNonScriptable3 after EnableCredSspSupport are not imitated.
struct IMsTscNonScriptable : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_ClearTextPassword(BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PortablePassword(BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PortablePassword(BSTR* password) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PortableSalt(BSTR salt) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PortableSalt(BSTR* salt) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BinaryPassword(BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BinaryPassword(BSTR* password) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BinarySalt(BSTR salt) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BinarySalt(BSTR* salt) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetPassword() = 0;
};

struct IMsRdpClientNonScriptable : public IMsTscNonScriptable {
    virtual HRESULT STDMETHODCALLTYPE NotifyRedirectDeviceChange(WPARAM wParam, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendKeys(LONG count, VARIANT_BOOL* keyUp, LONG* keyData) = 0;
};

struct IMsRdpClientNonScriptable2 : public IMsRdpClientNonScriptable {
    virtual HRESULT STDMETHODCALLTYPE put_UIParentWindowHandle(HWND window) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UIParentWindowHandle(HWND* window) = 0;
};

struct IMsRdpClientNonScriptable3 : public IMsRdpClientNonScriptable2 {
    virtual HRESULT STDMETHODCALLTYPE put_ShowRedirectionWarningDialog(VARIANT_BOOL show) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ShowRedirectionWarningDialog(VARIANT_BOOL* show) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PromptForCredentials(VARIANT_BOOL prompt) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PromptForCredentials(VARIANT_BOOL* prompt) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_NegotiateSecurityLayer(VARIANT_BOOL negotiate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NegotiateSecurityLayer(VARIANT_BOOL* negotiate) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_EnableCredSspSupport(VARIANT_BOOL enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EnableCredSspSupport(VARIANT_BOOL* enable) = 0;
};

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
