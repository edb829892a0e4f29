#include "webhost/webview_handlers.h"
#include "webhost/webview_host.h"

HRESULT WebViewEnvHandler::Invoke(HRESULT code, ICoreWebView2Environment* environment) {
    if (WebViewHost* host = link_->host) host->OnEnvironmentCreated(code, environment);
    return S_OK;
}

HRESULT WebViewCtrlHandler::Invoke(HRESULT code, ICoreWebView2Controller* controller) {
    if (WebViewHost* host = link_->host) host->OnControllerCreated(code, controller);
    return S_OK;
}

HRESULT WebViewEvalHandler::Invoke(HRESULT code, LPCWSTR resultJson) {
    if (WebViewHost* host = link_->host) host->OnEvalCompleted(code, resultJson, tag_);
    return S_OK;
}
