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
