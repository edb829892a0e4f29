// The handlers the host gives the runtime, one per completion or event.
// Each forwards to the host through the link and does nothing once the
// host has closed.
#pragma once

#include <memory>
#include <string>

#include "webhost/com_object_base.h"
#include "webhost/webview2_abi.h"

class WebViewHost;

struct WebViewHostLink {
    WebViewHost* host;
};
using HostLinkPtr = std::shared_ptr<WebViewHostLink>;

class WebViewEnvHandler : public ComObjectBase<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> {
public:
    explicit WebViewEnvHandler(HostLinkPtr link) : link_(std::move(link)) {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, ICoreWebView2Environment* environment) override;

private:
    HostLinkPtr link_;
};

class WebViewCtrlHandler : public ComObjectBase<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> {
public:
    explicit WebViewCtrlHandler(HostLinkPtr link) : link_(std::move(link)) {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, ICoreWebView2Controller* controller) override;

private:
    HostLinkPtr link_;
};

class WebViewMsgHandler : public ComObjectBase<ICoreWebView2WebMessageReceivedEventHandler> {
public:
    explicit WebViewMsgHandler(HostLinkPtr link) : link_(std::move(link)) {}
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                     ICoreWebView2WebMessageReceivedEventArgs* args) override;

private:
    HostLinkPtr link_;
};

class WebViewEvalHandler : public ComObjectBase<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler> {
public:
    WebViewEvalHandler(HostLinkPtr link, std::string tag) : link_(std::move(link)), tag_(std::move(tag)) {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, LPCWSTR resultJson) override;

private:
    HostLinkPtr link_;
    std::string tag_;
};
