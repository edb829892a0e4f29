// The RDP control's interfaces that are called through their vtables rather
// than by name: IDispatch never reaches them.
#pragma once

#include <oaidl.h>

// Named values beyond the automation properties: "DesktopScaleFactor",
// "DeviceScaleFactor", "EnableZoom" and others
// (learn.microsoft.com/windows/win32/termserv/imsrdpextendedsettings-property).
// {302D8188-0052-4807-806A-362B628F9AC5}
extern const IID kIidMsRdpExtendedSettings;

struct IMsRdpExtendedSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_Property(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Property(BSTR name, VARIANT* value) = 0;
};

// "PromptForCredentials" lives only here; the page says the interface is not
// available to scripting clients
// (learn.microsoft.com/windows/win32/termserv/imsrdpclientnonscriptable3).
// The current pages list members alphabetically. The vtable order is the
// control's type library's (MsTscAx.dll): IMsTscNonScriptable's is listed "in
// vtable order" at learn.microsoft.com/previous-versions/aa919984(v=msdn.10),
// IMsRdpClientNonScriptable's at .../previous-versions/aa917331(v=msdn.10);
// each property's put comes before its get. Only the methods up to the ones
// the program calls are declared: a caller never reaches a slot it does not
// name.
// {B3378D90-0728-45C7-8ED7-B6159FB92219}
extern const IID kIidMsRdpClientNonScriptable3;

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
};

// The drive collection and its drives, from their pages' Requirements
// (imsrdpdrivecollection, imsrdpdrive, imsrdpdrivev2). Their members are
// reached through slots read from the control's type library
// (control_drives_win.h), so only the ids are declared here.
// {7FF17599-DA2C-4677-AD35-F60C04FE1585}
extern const IID kIidMsRdpDriveCollection;
// {D28B5458-F694-47A8-8E61-40356A767E46}
extern const IID kIidMsRdpDrive;
// {3E05417C-2721-4008-9D80-4EDF1539C817}
extern const IID kIidMsRdpDriveV2;
