#include "rdp/rdp_frame.h"

HRESULT RdpFrame::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
        iid == IID_IOleInPlaceFrame) {
        *out = static_cast<IOleInPlaceFrame*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT RdpFrame::GetWindow(HWND* out) {
    if (out == nullptr) return E_POINTER;
    *out = hostWindow_;
    return S_OK;
}

// The rectangle the object may put its tools in: the whole tab
// (learn.microsoft.com/windows/win32/api/oleidl/nf-oleidl-ioleinplaceuiwindow-getborder).
HRESULT RdpFrame::GetBorder(LPRECT border) {
    if (border == nullptr) return E_INVALIDARG;
    if (hostWindow_ == nullptr || !GetClientRect(hostWindow_, border)) {
        *border = RECT{};
        return INPLACE_E_NOTOOLSPACE;
    }
    return S_OK;
}
