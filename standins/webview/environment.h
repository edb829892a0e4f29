// ICoreWebView2Environment: makes controllers, each with its webview, for
// windows of the thread that created the environment.
#pragma once

#include <string>

#include "standins/webview/dispatcher.h"
#include "standins/webview/module.h"
#include "standins/webview/webview2_abi.h"

class Environment final : public ICoreWebView2Environment, private LiveObject {
public:
    Environment(Dispatcher* ui, std::wstring userData) : ui_(ui), userData_(std::move(userData)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream*, int, LPCWSTR, LPCWSTR,
                                                        ICoreWebView2WebResourceResponse**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler*, EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken) override {
        return E_NOTIMPL;
    }

private:
    ~Environment() = default;
    // The completion of CreateCoreWebView2Controller, on the UI thread.
    void FinishController(HWND parent, bool fail,
                          ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler);

    RefCount references_;
    Dispatcher* ui_;
    std::wstring userData_;
};
