// The session as the control's container site. It answers what the control
// asks during activation and later layout, declines everything else, and
// never counts references.
#include "rdp/rdp_frame.h"
#include "rdp/rdp_session.h"

HRESULT RdpSession::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
        *out = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleControlSite) {
        *out = static_cast<IOleControlSite*>(this);
    } else if (iid == IID_IPropertyNotifySink) {
        *out = static_cast<IPropertyNotifySink*>(this);
    } else if (iid == IID_IServiceProvider) {
        *out = static_cast<IServiceProvider*>(this);
    } else {
        return E_NOINTERFACE;
    }
    return S_OK;
}

HRESULT RdpSession::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT RdpSession::GetContainer(IOleContainer** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT RdpSession::GetWindow(HWND* out) {
    if (out == nullptr) return E_POINTER;
    *out = hostWindow_;
    return hostWindow_ != nullptr ? S_OK : E_FAIL;
}

HRESULT RdpSession::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                     RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) {
    // The frame doubles as the document window, which the contract says
    // with a null document
    // (learn.microsoft.com/windows/win32/api/oleidl/nf-oleidl-ioleinplacesite-getwindowcontext).
    if (frame != nullptr) {
        *frame = frame_.get();
        if (*frame != nullptr) (*frame)->AddRef();
    }
    if (document != nullptr) *document = nullptr;
    RECT client = {};
    if (hostWindow_ != nullptr) GetClientRect(hostWindow_, &client);
    if (position != nullptr) *position = client;
    if (clip != nullptr) *clip = client;
    if (frameInfo != nullptr) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = hostWindow_ != nullptr ? GetAncestor(hostWindow_, GA_ROOT) : nullptr;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT RdpSession::GetExtendedControl(IDispatch** out) {
    if (out == nullptr) return E_POINTER;
    *out = dispatch_.get();
    if (*out != nullptr) (*out)->AddRef();
    return S_OK;
}

HRESULT RdpSession::QueryService(REFGUID, REFIID iid, void** out) {
    if (out == nullptr) return E_NOINTERFACE;
    *out = nullptr;
    if (iid != IID_IServiceProvider) return E_NOINTERFACE;
    *out = static_cast<IServiceProvider*>(this);
    return S_OK;
}
