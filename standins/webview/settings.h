// ICoreWebView2Settings: the settings the program sets are kept, journaled
// ("put_<Name> <0|1>") and given back by their gets; the others return
// E_NOTIMPL, so a call that lands in the wrong slot shows.
#pragma once

#include "standins/webview/module.h"
#include "standins/webview/webview2_abi.h"

class Settings final : public ICoreWebView2Settings, private LiveObject {
public:
    Settings() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* value) override { return Get(scriptEnabled_, value); }
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* value) override {
        return Get(statusBarEnabled_, value);
    }
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* value) override {
        return Get(devToolsEnabled_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* value) override {
        return Get(contextMenusEnabled_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* value) override {
        return Get(zoomControlEnabled_, value);
    }
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL) override { return E_NOTIMPL; }

private:
    ~Settings() = default;
    static HRESULT Get(BOOL stored, BOOL* value);
    static HRESULT Put(const char* name, BOOL value, BOOL* stored);

    RefCount references_;
    // The runtime's defaults: everything on.
    BOOL scriptEnabled_ = TRUE;
    BOOL statusBarEnabled_ = TRUE;
    BOOL devToolsEnabled_ = TRUE;
    BOOL contextMenusEnabled_ = TRUE;
    BOOL zoomControlEnabled_ = TRUE;
};
