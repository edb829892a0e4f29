// The one interface of the RDP control that is called through its vtable
// rather than by name.
#pragma once

#include <oaidl.h>

// {302D8188-0052-4807-806A-362B628F9AC5}
extern const IID kIidMsRdpExtendedSettings;

struct IMsRdpExtendedSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_Property(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Property(BSTR name, VARIANT* value) = 0;
};
