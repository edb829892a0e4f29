#include "standins/webview/controller.h"

#include <string>

#include "standins/webview/journal.h"

Controller::~Controller() {
    // The last reference closes the webview, as with the runtime.
    webview_->Shutdown();
}

HRESULT Controller::Usable() const {
    if (GetCurrentThreadId() != thread_) return RPC_E_WRONG_THREAD;
    return closed_ || webview_->IsClosed() ? kClosedError : S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const bool third = iid == kIidController3 && !FailureRequested("controller3");
    if (iid != IID_IUnknown && iid != kIidController && iid != kIidController2 && !third)
        return E_NOINTERFACE;
    *object = static_cast<ICoreWebView2Controller3*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE Controller::Release() {
    const ULONG left = references_.Drop();
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE Controller::get_IsVisible(BOOL* isVisible) {
    if (isVisible == nullptr) return E_POINTER;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    *isVisible = visible_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::put_IsVisible(BOOL isVisible) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("put_IsVisible " + std::to_string(isVisible));
    visible_ = isVisible != FALSE ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_Bounds(RECT* bounds) {
    if (bounds == nullptr) return E_POINTER;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    *bounds = bounds_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::put_Bounds(RECT bounds) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("put_Bounds " + std::to_string(bounds.left) + " " + std::to_string(bounds.top) + " " +
            std::to_string(bounds.right) + " " + std::to_string(bounds.bottom));
    bounds_ = bounds;
    webview_->SetPlacement(parent_, bounds_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_RasterizationScale(double* scale) {
    if (scale == nullptr) return E_POINTER;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    *scale = webview_->RasterizationScale();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("MoveFocus " + std::to_string(static_cast<int>(reason)));
    if (reason < COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC ||
        reason > COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS)
        return E_INVALIDARG;
    webview_->GiveFocus();
    return S_OK;
}

// The runtime moves its popups along; the stand-in's browser has none.
HRESULT STDMETHODCALLTYPE Controller::NotifyParentWindowPositionChanged() {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("NotifyParentWindowPositionChanged");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::Close() {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("Close");
    closed_ = true;
    webview_->Shutdown();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    if (coreWebView2 == nullptr) return E_POINTER;
    *coreWebView2 = nullptr;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    if (FailureRequested("corewebview")) return E_FAIL;
    webview_->AddRef();
    *coreWebView2 = webview_.get();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Controller::get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) {
    if (value == nullptr) return E_POINTER;
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    *value = background_;
    return S_OK;
}

// The runtime takes an opaque or a fully transparent colour, nothing between.
HRESULT STDMETHODCALLTYPE Controller::put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) {
    if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
    Journal("put_DefaultBackgroundColor " + std::to_string(value.A) + " " + std::to_string(value.R) + " " +
            std::to_string(value.G) + " " + std::to_string(value.B));
    if (value.A != 0 && value.A != 255) return E_INVALIDARG;
    background_ = value;
    return S_OK;
}
