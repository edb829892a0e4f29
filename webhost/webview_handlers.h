// The handlers the host gives the runtime, one per completion or event.
// Each forwards to the host through the link and does nothing once the
// host has closed.
#pragma once

#include <WebView2.h>

#include <memory>
#include <string>

#include "webhost/com_object_base.h"

class WebViewHost;

struct WebViewHostLink {
    WebViewHost* host;
};
using HostLinkPtr = std::shared_ptr<WebViewHostLink>;

class WebViewEnvHandler
    : public ComObjectBase<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                           &IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> {
public:
    explicit WebViewEnvHandler(HostLinkPtr link) : link_(std::move(link)) {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, ICoreWebView2Environment* environment) override;

private:
    HostLinkPtr link_;
};

class WebViewCtrlHandler
    : public ComObjectBase<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                           &IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> {
public:
    explicit WebViewCtrlHandler(HostLinkPtr link) : link_(std::move(link)) {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, ICoreWebView2Controller* controller) override;

private:
    HostLinkPtr link_;
};

class WebViewEvalHandler
    : public ComObjectBase<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler,
                           &IID_ICoreWebView2CallDevToolsProtocolMethodCompletedHandler> {
public:
    WebViewEvalHandler(HostLinkPtr link, std::string tag) : link_(std::move(link)), tag_(std::move(tag)) {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, LPCWSTR resultJson) override;

private:
    HostLinkPtr link_;
    std::string tag_;
};

// An event of the view: its arguments go to one step of the host.
template <typename I, const IID* iid, typename Args, void (WebViewHost::*step)(Args*)>
class WebViewEventHandler : public ComObjectBase<I, iid> {
public:
    explicit WebViewEventHandler(HostLinkPtr link) : link_(std::move(link)) {}
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2*, Args* args) override {
        if (WebViewHost* host = link_->host) (host->*step)(args);
        return S_OK;
    }

private:
    HostLinkPtr link_;
};

// Hands a new handler to the runtime and lets go of the creator's
// reference: the runtime keeps its own for as long as it needs one.
template <typename Handler, typename Call>
HRESULT GiveHandler(Handler* handler, Call call) {
    const HRESULT result = call(handler);
    handler->Release();
    return result;
}

// An HRESULT as the log writes it ("0x%08lX").
inline unsigned long Code(HRESULT code) {
    return static_cast<unsigned long>(code);
}
