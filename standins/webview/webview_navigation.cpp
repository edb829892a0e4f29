// Navigations, the host's and the page's own, and the page's requests for
// new windows: the host hears of each first and may stop it.
#include "standins/webview/event_args.h"
#include "standins/webview/http_request.h"
#include "standins/webview/journal.h"
#include "standins/webview/text.h"
#include "standins/webview/webview.h"

HRESULT STDMETHODCALLTYPE WebView::add_NavigationStarting(
    ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) {
    return AddTo(navigationHandlers_, handler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NavigationStarting(EventRegistrationToken token) {
    return RemoveFrom(navigationHandlers_, token);
}

HRESULT STDMETHODCALLTYPE WebView::add_NewWindowRequested(
    ICoreWebView2NewWindowRequestedEventHandler* handler, EventRegistrationToken* token) {
    return AddTo(newWindowHandlers_, handler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_NewWindowRequested(EventRegistrationToken token) {
    return RemoveFrom(newWindowHandlers_, token);
}

// A cancelled navigation leaves the page as it was
// (https://learn.microsoft.com/microsoft-edge/webview2/reference/win32/icorewebview2navigationstartingeventargs#get_cancel).
bool WebView::NavigationAllowed(const std::string& uri, bool userInitiated) {
    Journal("NavigationStarting " + uri);
    auto args = Ref<NavigationArgs>::Adopt(new NavigationArgs(Wide(uri), userInitiated, nextNavigationId_++));
    Raise(navigationHandlers_, args.get());
    args->Finish();
    return !closed_ && !args->cancelled();
}

void WebView::StartNavigation(const std::string& uri, bool userInitiated) {
    if (closed_ || !NavigationAllowed(uri, userInitiated)) return;
    Commit(uri);
}

void WebView::StartReload() {
    if (closed_ || !NavigationAllowed(Utf8(source_), true)) return;
    site_->Recover();
    site_->SendEvent("reload", "1");
}

// The stand-in serves mapped virtual hosts and files only; a page of any
// other origin is replaced by an empty document that stands for it, as the
// runtime would leave the program's page for it.
void WebView::Commit(const std::string& uri) {
    site_->Recover();
    source_ = Wide(uri);
    Served served;
    if (Resolve(uri, &served)) {
        ShowPage(Serve(served));
        return;
    }
    Journal("navigated " + uri);
    ShowPage("http://127.0.0.1:" + std::to_string(site_->port()) + "/" + site_->token() +
             "/__webview/away?uri=" + PercentEncodeQueryValue(uri));
}

// Without a handler that takes it, the runtime opens a popup the program
// cannot control
// (https://learn.microsoft.com/microsoft-edge/webview2/reference/win32/icorewebview2newwindowrequestedeventargs#put_handled).
void WebView::RequestNewWindow(const std::string& uri, bool userInitiated) {
    Journal("NewWindowRequested " + uri);
    auto args = Ref<NewWindowArgs>::Adopt(new NewWindowArgs(Wide(uri), userInitiated));
    Raise(newWindowHandlers_, args.get());
    args->Finish();
    if (!closed_ && !args->handled()) Journal("new window " + uri);
}

void WebView::OnPageNavigation(const std::string& uri, bool userInitiated, bool newWindow) {
    if (closed_) return;
    if (newWindow) {
        RequestNewWindow(uri, userInitiated);
    } else {
        StartNavigation(uri, userInitiated);
    }
}
