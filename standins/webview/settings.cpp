#include "standins/webview/settings.h"

#include <string>

#include "standins/webview/journal.h"

HRESULT STDMETHODCALLTYPE Settings::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != kIidSettings) return E_NOINTERFACE;
    *object = static_cast<ICoreWebView2Settings*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE Settings::Release() {
    const ULONG left = references_.Drop();
    if (left == 0) delete this;
    return left;
}

HRESULT Settings::Get(BOOL stored, BOOL* value) {
    if (value == nullptr) return E_POINTER;
    *value = stored;
    return S_OK;
}

// Any non-zero value counts as TRUE, as a BOOL does; the journal shows the
// value that arrived.
HRESULT Settings::Put(const char* name, BOOL value, BOOL* stored) {
    Journal(std::string("put_") + name + " " + std::to_string(value));
    *stored = value != FALSE ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::put_IsScriptEnabled(BOOL value) {
    return Put("IsScriptEnabled", value, &scriptEnabled_);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsStatusBarEnabled(BOOL value) {
    return Put("IsStatusBarEnabled", value, &statusBarEnabled_);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDevToolsEnabled(BOOL value) {
    return Put("AreDevToolsEnabled", value, &devToolsEnabled_);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDefaultContextMenusEnabled(BOOL value) {
    return Put("AreDefaultContextMenusEnabled", value, &contextMenusEnabled_);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsZoomControlEnabled(BOOL value) {
    return Put("IsZoomControlEnabled", value, &zoomControlEnabled_);
}
