#include "standins/webview/event_args.h"

#include "standins/webview/text.h"

namespace {

HRESULT GetBool(BOOL stored, BOOL* value) {
    if (value == nullptr) return E_POINTER;
    *value = stored;
    return S_OK;
}

// An interface the stand-in does not have gives a null, not garbage.
template <typename T>
HRESULT NotServed(T** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace

HRESULT STDMETHODCALLTYPE NavigationArgs::get_Uri(LPWSTR* uri) {
    return Guarded([&] { return CopyOut(uri_, uri); });
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_IsUserInitiated(BOOL* isUserInitiated) {
    return GetBool(userInitiated_, isUserInitiated);
}

// The stand-in follows no redirects: its server sends none.
HRESULT STDMETHODCALLTYPE NavigationArgs::get_IsRedirected(BOOL* isRedirected) {
    return GetBool(FALSE, isRedirected);
}

HRESULT STDMETHODCALLTYPE
NavigationArgs::get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) {
    return NotServed(requestHeaders);
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_Cancel(BOOL* cancel) {
    return GetBool(cancel_, cancel);
}

HRESULT STDMETHODCALLTYPE NavigationArgs::put_Cancel(BOOL cancel) {
    if (!finished_) cancel_ = cancel != FALSE ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NavigationArgs::get_NavigationId(UINT64* navigationId) {
    if (navigationId == nullptr) return E_POINTER;
    *navigationId = navigationId_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_Uri(LPWSTR* uri) {
    return Guarded([&] { return CopyOut(uri_, uri); });
}

// The webview is kept and given back; the stand-in loads nothing into it.
HRESULT STDMETHODCALLTYPE NewWindowArgs::put_NewWindow(ICoreWebView2* newWindow) {
    if (!finished_) newWindow_ = Ref<ICoreWebView2>::Retain(newWindow);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_NewWindow(ICoreWebView2** newWindow) {
    if (newWindow == nullptr) return E_POINTER;
    *newWindow = newWindow_.get();
    if (*newWindow != nullptr) (*newWindow)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::put_Handled(BOOL handled) {
    if (!finished_) handled_ = handled != FALSE ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_Handled(BOOL* handled) {
    return GetBool(handled_, handled);
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_IsUserInitiated(BOOL* isUserInitiated) {
    return GetBool(userInitiated_, isUserInitiated);
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::GetDeferral(ICoreWebView2Deferral** deferral) {
    return NotServed(deferral);
}

HRESULT STDMETHODCALLTYPE NewWindowArgs::get_WindowFeatures(ICoreWebView2WindowFeatures** value) {
    return NotServed(value);
}

HRESULT STDMETHODCALLTYPE ProcessFailedArgs::get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) {
    if (kind == nullptr) return E_POINTER;
    *kind = kind_;
    return S_OK;
}
