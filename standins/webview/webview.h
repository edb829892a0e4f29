// ICoreWebView2 (with _2 and _3): one page, served on the webview's own
// loopback server and shown in Chromium. Every call is made on the thread
// that created the environment; the server's threads only queue work for it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "standins/webview/browser_process.h"
#include "standins/webview/dispatcher.h"
#include "standins/webview/handler_list.h"
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
    // Device pixels to a CSS pixel: the parent's monitor scale.
    double RasterizationScale() const;
    // The controller closed or went away, or the browser ended: the page,
    // its server and its browser go, and every later call fails.
    void Shutdown();
    bool IsClosed() const { return closed_; }
    // The controller's MoveFocus: keys reach the page from now on.
    void GiveFocus() { site_->GiveFocus(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                     EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) override;
    STANDIN_UNSERVED_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
    STANDIN_UNSERVED_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
    STANDIN_UNSERVED_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
    STANDIN_UNSERVED_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    STANDIN_UNSERVED_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    STANDIN_UNSERVED_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    STANDIN_UNSERVED_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
    STANDIN_UNSERVED_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) override;
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
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                     EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) override;
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

    // Where a URI is served: a mapped virtual host (host) or a file's folder
    // (folder), and the path with its query below it.
    struct Served {
        std::string host;
        std::wstring folder;
        std::string path;
    };

    // S_OK when a call may proceed: on the UI thread, before Close.
    HRESULT Usable() const;
    // False when the URI is neither a mapped virtual host nor a file.
    bool Resolve(const std::string& uri, Served* served);
    // Serves it from now on; the loopback address of the page.
    std::string Serve(const Served& served);
    void ShowPage(const std::string& address);
    RECT ScreenPlacement() const;

    // Navigation (webview_navigation.cpp), on the UI thread.
    // NavigationStarting: false when a handler cancelled.
    bool NavigationAllowed(const std::string& uri, bool userInitiated);
    void StartNavigation(const std::string& uri, bool userInitiated);
    void StartReload();
    // The navigation goes ahead: the page, or an empty document standing for
    // one the stand-in cannot serve.
    void Commit(const std::string& uri);
    void RequestNewWindow(const std::string& uri, bool userInitiated);
    // Raises an event on a copy of its handlers; stops once the webview is
    // closed unless told it may be.
    template <typename Handler, typename Args>
    void Raise(const HandlerList<Handler>& handlers, Args* args, bool evenWhenClosed = false);
    // add_<Event> and remove_<Event>: refused once closed, as every call is.
    template <typename Handler>
    HRESULT AddTo(HandlerList<Handler>& handlers, Handler* handler, EventRegistrationToken* token) {
        if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
        return handlers.Add(handler, token);
    }
    template <typename Handler>
    HRESULT RemoveFrom(HandlerList<Handler>& handlers, EventRegistrationToken token) {
        if (const HRESULT usable = Usable(); FAILED(usable)) return usable;
        handlers.Remove(token);
        return S_OK;
    }

    // Failure (webview_failure.cpp).
    void FailProcess(COREWEBVIEW2_PROCESS_FAILED_KIND kind);

    // PageSink (webview_page.cpp, webview_navigation.cpp, webview_failure.cpp)
    void OnPageMessage(bool isString, const std::string& text, const std::string& source) override;
    void OnEvaluated(int id, HRESULT result, const std::string& json) override;
    void OnPageNavigation(const std::string& uri, bool userInitiated, bool newWindow) override;
    void OnProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) override { FailProcess(kind); }

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
    HandlerList<ICoreWebView2WebMessageReceivedEventHandler> messageHandlers_;
    HandlerList<ICoreWebView2NavigationStartingEventHandler> navigationHandlers_;
    HandlerList<ICoreWebView2NewWindowRequestedEventHandler> newWindowHandlers_;
    HandlerList<ICoreWebView2ProcessFailedEventHandler> failureHandlers_;
    UINT64 nextNavigationId_ = 1;
    std::map<int, Ref<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler>> evaluations_;
    int nextEvaluation_ = 1;
};

template <typename Handler, typename Args>
void WebView::Raise(const HandlerList<Handler>& handlers, Args* args, bool evenWhenClosed) {
    // A handler may let go of this webview; it stays until the event is over.
    Ref<WebView> self = Ref<WebView>::Retain(this);
    for (const auto& handler : handlers.Snapshot()) {
        if (closed_ && !evenWhenClosed) break;
        handler->Invoke(this, args);
    }
}

#undef STANDIN_UNSERVED_EVENT
