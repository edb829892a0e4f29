#include "standins/webview/message_args.h"

#include "standins/webview/text.h"

HRESULT STDMETHODCALLTYPE MessageArgs::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != kIidWebMessageArgs) return E_NOINTERFACE;
    *object = static_cast<ICoreWebView2WebMessageReceivedEventArgs*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE MessageArgs::Release() {
    const ULONG left = references_.Drop();
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE MessageArgs::get_Source(LPWSTR* value) {
    return Guarded([&] { return CopyOut(source_, value); });
}

HRESULT STDMETHODCALLTYPE MessageArgs::get_WebMessageAsJson(LPWSTR* value) {
    return Guarded([&] { return CopyOut(json_, value); });
}

// As the runtime does: a message that was not a string gives no text and
// E_INVALIDARG.
HRESULT STDMETHODCALLTYPE MessageArgs::TryGetWebMessageAsString(LPWSTR* value) {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    if (!isString_) return E_INVALIDARG;
    return Guarded([&] { return CopyOut(text_, value); });
}
