#include "standins/webview/webview_failure.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "standins/webview/event_args.h"
#include "standins/webview/journal.h"
#include "standins/webview/webview.h"

namespace {

std::mutex g_lock;
std::vector<std::weak_ptr<PageSite>> g_sites;

}  // namespace

void RegisterLiveSite(const std::shared_ptr<PageSite>& site) {
    try {
        std::lock_guard<std::mutex> hold(g_lock);
        g_sites.push_back(site);
    } catch (...) {
        // A webview left out only misses failures raised on every webview.
    }
}

void UnregisterLiveSite(const std::shared_ptr<PageSite>& site) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_sites.erase(std::remove_if(g_sites.begin(), g_sites.end(),
                                 [&](const std::weak_ptr<PageSite>& entry) {
                                     const auto alive = entry.lock();
                                     return !alive || alive == site;
                                 }),
                  g_sites.end());
}

int FailEveryWebView(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    std::vector<std::shared_ptr<PageSite>> sites;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        for (const auto& entry : g_sites) {
            if (auto alive = entry.lock()) sites.push_back(std::move(alive));
        }
    }
    for (const auto& site : sites) site->PostToSink([kind](PageSink* sink) { sink->OnProcessFailed(kind); });
    return static_cast<int>(sites.size());
}

// What the runtime does for each kind
// (https://learn.microsoft.com/microsoft-edge/webview2/reference/win32/webview2-idl#corewebview2_process_failed_kind):
// without its browser process the webview is closed and only a new
// environment and controller bring a page back; without the main frame's
// render process the page is an error page until Reload; the other kinds
// change nothing the stand-in shows.
void WebView::FailProcess(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    if (closed_) return;
    Journal("ProcessFailed " + std::to_string(static_cast<int>(kind)));
    auto args = Ref<ProcessFailedArgs>::Adopt(new ProcessFailedArgs(kind));
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) {
        // Closed before the handlers hear of it: what they call fails already.
        const HandlerList<ICoreWebView2ProcessFailedEventHandler> handlers = failureHandlers_;
        Shutdown();
        Raise(handlers, args.get(), true);
        return;
    }
    if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED) site_->Crash();
    Raise(failureHandlers_, args.get());
}

HRESULT STDMETHODCALLTYPE WebView::add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                     EventRegistrationToken* token) {
    return AddTo(failureHandlers_, handler, token);
}

HRESULT STDMETHODCALLTYPE WebView::remove_ProcessFailed(EventRegistrationToken token) {
    return RemoveFrom(failureHandlers_, token);
}
