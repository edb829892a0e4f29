// ICoreWebView2 (with _2 and _3): one page, served on the webview's own
// loopback server and shown in Chromium. Every call is made on the thread
// that created the environment; the server's threads only queue work for it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "standins/webview/browser_process.h"
#include "standins/webview/dispatcher.h"
#include "standins/webview/module.h"
#include "standins/webview/page_site.h"
#include "standins/webview/settings.h"
#include "standins/webview/webview2_abi.h"

#define STANDIN_UNSERVED_EVENT(Name, Handler)                                          \
    HRESULT STDMETHODCALLTYPE add_##Name(Handler*, EventRegistrationToken*) override { \
        return E_NOTIMPL;                                                              \
    }                                                                                  \
    HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken) override {         \
        return E_NOTIMPL;                                                              \
    }

class WebView final : public ICoreWebView2_3, private PageSink, private LiveObject {
public:
    // Starts the webview's server; null with the failure in *result.
    static WebView* Create(ICoreWebView2Environment* environment, Dispatcher* ui,
                           const std::wstring& userData, HRESULT* result);

    // From the controller, on the UI thread.
    void SetPlacement(HWND parent, const RECT& bounds);
    // The controller closed or went away: the page, its server and its
    // browser go, and every later call fails.
    void Shutdown();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR) override { return E_NOTIMPL; }
    STANDIN_UNSERVED_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    STANDIN_UNSERVED_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
    STANDIN_UNSERVED_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
    STANDIN_UNSERVED_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
    STANDIN_UNSERVED_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    STANDIN_UNSERVED_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    STANDIN_UNSERVED_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    STANDIN_UNSERVED_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
    STANDIN_UNSERVED_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
    STANDIN_UNSERVED_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                                             ICoreWebView2CapturePreviewCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
    HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                     EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    CallDevToolsProtocolMethod(LPCWSTR methodName, LPCWSTR parametersAsJson,
                               ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    GetDevToolsProtocolEventReceiver(LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    STANDIN_UNSERVED_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
    STANDIN_UNSERVED_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
    STANDIN_UNSERVED_EVENT(ContainsFullScreenElementChanged,
                           ICoreWebView2ContainsFullScreenElementChangedEventHandler)
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL*) override { return E_NOTIMPL; }
    STANDIN_UNSERVED_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
    HRESULT STDMETHODCALLTYPE
    AddWebResourceRequestedFilter(LPCWSTR const, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    RemoveWebResourceRequestedFilter(LPCWSTR const, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const) override {
        return E_NOTIMPL;
    }
    STANDIN_UNSERVED_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
    // ICoreWebView2_2
    STANDIN_UNSERVED_EVENT(WebResourceResponseReceived, ICoreWebView2WebResourceResponseReceivedEventHandler)
    HRESULT STDMETHODCALLTYPE NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest*) override {
        return E_NOTIMPL;
    }
    STANDIN_UNSERVED_EVENT(DOMContentLoaded, ICoreWebView2DOMContentLoadedEventHandler)
    HRESULT STDMETHODCALLTYPE get_CookieManager(ICoreWebView2CookieManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment**) override { return E_NOTIMPL; }
    // ICoreWebView2_3
    HRESULT STDMETHODCALLTYPE TrySuspend(ICoreWebView2TrySuspendCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsSuspended(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(
        LPCWSTR hostName, LPCWSTR folderPath, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND accessKind) override;
    HRESULT STDMETHODCALLTYPE ClearVirtualHostNameToFolderMapping(LPCWSTR hostName) override;

private:
    WebView(ICoreWebView2Environment* environment, Dispatcher* ui, const std::wstring& userData);
    ~WebView();

    // S_OK when a call may proceed: on the UI thread, before Close.
    HRESULT Usable() const;
    // The loopback path (with query) a URI is served at; "" when the URI is
    // neither a mapped virtual host nor a file.
    std::string ServedPath(const std::string& uri);
    void ShowPage(const std::string& address);
    RECT ScreenPlacement() const;

    // PageSink (webview_page.cpp)
    void OnPageMessage(bool isString, const std::string& text) override;
    void OnEvaluated(int id, HRESULT result, const std::string& json) override;

    RefCount references_;
    Ref<ICoreWebView2Environment> environment_;
    Dispatcher* ui_;
    std::wstring userData_;
    std::shared_ptr<PageSite> site_;
    std::unique_ptr<BrowserProcess> browser_;
    Ref<Settings> settings_;
    std::wstring source_ = L"about:blank";
    bool closed_ = false;
    HWND parent_ = nullptr;
    RECT bounds_ = {};
    std::map<__int64, Ref<ICoreWebView2WebMessageReceivedEventHandler>> messageHandlers_;
    __int64 nextToken_ = 1;
    std::map<int, Ref<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler>> evaluations_;
    int nextEvaluation_ = 1;
};

#undef STANDIN_UNSERVED_EVENT
