// What one webview serves on its loopback server, and the channel to the page
// it shows. The server's threads and the UI thread share it; what reaches
// the webview goes to the UI thread as a queued task.
//
// Routes, each below "/<token>", the server's random token: "/__webview/..."
// the bridge, its worker, the event stream, what the page sends (messages,
// evaluation results, navigations it starts, a mouse press that focuses it),
// evaluation scripts, and "away", the empty document that stands for a page
// of another origin; "/__file/<n>/..." the folder of a file URL that was
// navigated to; anything else the folder mapped to the virtual host
// navigated to last. Anything without the token is not found.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "standins/webview/dispatcher.h"
#include "standins/webview/http_server.h"
#include "standins/webview/webview2_abi.h"

// The webview's side, called on the UI thread. URIs are as the host sees
// them (see PageSite::VisibleUri).
class PageSink {
public:
    // source: the URI of the document that posted, "" when it did not say.
    virtual void OnPageMessage(bool isString, const std::string& text, const std::string& source) = 0;
    virtual void OnEvaluated(int id, HRESULT result, const std::string& json) = 0;
    // The page starts a navigation, in its own place or in a new window.
    virtual void OnPageNavigation(const std::string& uri, bool userInitiated, bool newWindow) = 0;
    virtual void OnProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) = 0;

protected:
    ~PageSink() = default;
};

class PageSite final : public HttpHandler, public std::enable_shared_from_this<PageSite> {
public:
    explicit PageSite(Dispatcher* ui);
    ~PageSite() { Stop(); }
    PageSite(const PageSite&) = delete;
    PageSite& operator=(const PageSite&) = delete;

    HRESULT Start() { return token_.empty() ? NTE_FAIL : server_.Start(); }
    // Nothing is served after this; every server thread has ended.
    void Stop();
    unsigned short port() const { return server_.port(); }
    // Every served path starts with "/" and this.
    const std::string& token() const { return token_; }

    // UI thread only.
    void SetSink(PageSink* sink) { sink_ = sink; }
    void MapHost(const std::string& host, const std::wstring& folder);
    void UnmapHost(const std::string& host);
    bool IsMapped(const std::string& host);
    void ServeAtRoot(const std::string& host);
    // The path prefix ("/__file/<n>/") under which a folder is served.
    std::string ServeFolder(const std::wstring& folder);
    // The URI the host sees for an address of this server (absolute, or its
    // path alone): the virtual host's https URI, a file URI, or the foreign
    // URI the "away" document stands for. Any other address is given back.
    std::string VisibleUri(const std::string& address);

    // The channel (page_channel.cpp).
    // Sends the page to target (a path on this server): at once when a page
    // is there, else to the next page that comes and is not target already.
    void Navigate(const std::string& target);
    // Dropped when no page is there, as the runtime drops messages to a
    // document that is not there, and while the page's process is gone.
    void SendEvent(const char* kind, const std::string& data);
    void QueueEvaluation(int id, const std::string& expression, bool awaitPromise);
    void ForgetEvaluation(int id);
    // The page's process ended: the page shows an error and answers nothing
    // (messages, evaluations, navigations) until Recover (a reload or a
    // navigation by the host). Evaluations under way are never answered.
    void Crash();
    void Recover();
    // The page has the keyboard focus from now on, this document and the next.
    void GiveFocus();
    // Runs work with the sink on the UI thread later, if a sink is still set.
    void PostToSink(std::function<void(PageSink*)> work);
    // The same, now (UI thread only).
    void WithSink(const std::function<void(PageSink*)>& work) {
        if (sink_ != nullptr) work(sink_);
    }

    // HttpHandler, on the server's threads.
    void Handle(const HttpRequest& request, HttpResponse* response) override;
    void StreamEnded(const std::shared_ptr<EventStream>& stream) override;

private:
    struct Evaluation {
        std::string expression;
        bool awaitPromise = false;
        bool sent = false;
    };

    void HandleBridge(const std::string& name, const HttpRequest& request, HttpResponse* response);
    void OpenEvents(const HttpRequest& request, HttpResponse* response);
    void ServeEvaluation(const HttpRequest& request, HttpResponse* response);
    void TakeMessage(const HttpRequest& request, HttpResponse* response);
    void TakeResult(const HttpRequest& request, HttpResponse* response);
    void TakeNavigation(const HttpRequest& request, HttpResponse* response);
    void TakeFocus(HttpResponse* response);
    void ServeAway(HttpResponse* response);
    void ServeFile(const std::wstring& folder, const std::string& encodedPath, HttpResponse* response);
    void SendEvaluationLocked(int id, Evaluation* evaluation);
    std::string BridgePath() const;

    Dispatcher* ui_;
    PageSink* sink_ = nullptr;  // UI thread only
    HttpServer server_;
    const std::string token_;
    std::mutex lock_;                            // everything below
    std::map<std::string, std::wstring> hosts_;  // lower-case name -> folder
    std::vector<std::wstring> folders_;          // index <n> of "/__file/<n>/"
    std::string rootHost_;                       // served at "/"
    std::string pendingTarget_;
    std::shared_ptr<EventStream> page_;
    std::map<int, Evaluation> evaluations_;
    bool crashed_ = false;
    bool focused_ = false;
};

// Answers the request with status and its reason phrase as the body.
void Refuse(int status, HttpResponse* response);
