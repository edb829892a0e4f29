// The channel between the loader and the page's bridge: the event stream to
// the page, and what the page sends back through its worker.
#include <utility>

#include "standins/webview/bridge_script.h"
#include "standins/webview/json_text.h"
#include "standins/webview/page_site.h"

namespace {

// The page the runtime shows when it replaces a document it may not show
// here: empty, with the bridge, as any page of another origin has it.
constexpr char kAwayDocument[] = "<!DOCTYPE html><html><head></head><body></body></html>";

bool JsonTrue(std::string_view object, std::string_view name) {
    std::string_view raw;
    return FindMember(object, name, &raw) && raw == "true";
}

}  // namespace

void PageSite::Navigate(const std::string& target) {
    std::lock_guard<std::mutex> hold(lock_);
    pendingTarget_.clear();
    if (!page_ || !page_->Push(EventText("navigate", target))) pendingTarget_ = target;
}

void PageSite::SendEvent(const char* kind, const std::string& data) {
    std::lock_guard<std::mutex> hold(lock_);
    if (page_ && !crashed_) page_->Push(EventText(kind, data));
}

void PageSite::SendEvaluationLocked(int id, Evaluation* evaluation) {
    if (!page_) return;
    const std::string data = "{\"id\":" + std::to_string(id) +
                             ",\"awaitPromise\":" + (evaluation->awaitPromise ? "true" : "false") + "}";
    evaluation->sent = page_->Push(EventText("eval", data));
}

void PageSite::QueueEvaluation(int id, const std::string& expression, bool awaitPromise) {
    std::lock_guard<std::mutex> hold(lock_);
    if (crashed_) return;  // nobody is there to answer: it times out
    Evaluation& evaluation = evaluations_[id];
    evaluation.expression = expression;
    evaluation.awaitPromise = awaitPromise;
    SendEvaluationLocked(id, &evaluation);
}

void PageSite::ForgetEvaluation(int id) {
    std::lock_guard<std::mutex> hold(lock_);
    evaluations_.erase(id);
}

// The runtime shows an error page in a new render process; the stand-in's
// page shows the error in place, and whatever its scripts still send is
// dropped here, where it counts.
void PageSite::Crash() {
    std::lock_guard<std::mutex> hold(lock_);
    crashed_ = true;
    evaluations_.clear();
    if (page_) page_->Push(EventText("crash", "1"));
}

void PageSite::Recover() {
    std::lock_guard<std::mutex> hold(lock_);
    crashed_ = false;
}

void PageSite::GiveFocus() {
    std::lock_guard<std::mutex> hold(lock_);
    focused_ = true;
    if (page_) page_->Push(EventText("focus", "1"));
}

void PageSite::PostToSink(std::function<void(PageSink*)> work) {
    std::shared_ptr<PageSite> self = shared_from_this();
    ui_->Post([self, work = std::move(work)]() {
        if (self->sink_ != nullptr) work(self->sink_);
    });
}

void PageSite::HandleBridge(const std::string& name, const HttpRequest& request, HttpResponse* response) {
    const bool get = request.method == "GET" || request.method == "HEAD";
    const bool post = request.method == "POST";
    if (name == "bridge.js" && get) {
        response->contentType = "text/javascript; charset=utf-8";
        response->body = kBridgeScript;
    } else if (name == "worker.js" && get) {
        response->contentType = "text/javascript; charset=utf-8";
        response->body = kWorkerScript;
    } else if (name == "events" && request.method == "GET") {
        OpenEvents(request, response);
    } else if (name == "eval" && get) {
        ServeEvaluation(request, response);
    } else if (name == "away" && get) {
        ServeAway(response);
    } else if (name == "message" && post) {
        TakeMessage(request, response);
    } else if (name == "result" && post) {
        TakeResult(request, response);
    } else if (name == "navigation" && post) {
        TakeNavigation(request, response);
    } else if (name == "focus" && post) {
        TakeFocus(response);
    } else if (name == "bridge.js" || name == "worker.js" || name == "events" || name == "eval" ||
               name == "away" || name == "message" || name == "result" || name == "navigation" ||
               name == "focus") {
        Refuse(405, response);
    } else {
        Refuse(404, response);
    }
}

// The newest stream is the page: a page that reloads opens its new stream
// before the old one is seen to close.
void PageSite::OpenEvents(const HttpRequest& request, HttpResponse* response) {
    auto stream = std::make_shared<EventStream>();
    const std::string pagePath = QueryValue(request.query, "page");
    std::lock_guard<std::mutex> hold(lock_);
    if (page_) page_->End();
    page_ = stream;
    if (focused_) stream->Push(EventText("focus", "1"));
    if (!pendingTarget_.empty() && pendingTarget_ != pagePath)
        stream->Push(EventText("navigate", pendingTarget_));
    pendingTarget_.clear();
    for (auto& entry : evaluations_) {
        if (!entry.second.sent) SendEvaluationLocked(entry.first, &entry.second);
    }
    response->stream = stream;
}

void PageSite::StreamEnded(const std::shared_ptr<EventStream>& stream) {
    std::lock_guard<std::mutex> hold(lock_);
    if (page_ == stream) page_.reset();
}

void PageSite::ServeEvaluation(const HttpRequest& request, HttpResponse* response) {
    const std::string mode = QueryValue(request.query, "mode");
    const std::string idText = QueryValue(request.query, "id");
    const int id =
        idText.size() < 10 && !idText.empty() && idText.find_first_not_of("0123456789") == std::string::npos
            ? std::stoi(idText)
            : -1;
    std::lock_guard<std::mutex> hold(lock_);
    const auto found = evaluations_.find(id);
    if (found == evaluations_.end() || (mode != "expression" && mode != "statements"))
        return Refuse(404, response);
    response->contentType = "text/javascript; charset=utf-8";
    response->body = EvaluationScript(id, found->second.expression, mode == "statements");
}

void PageSite::ServeAway(HttpResponse* response) {
    response->contentType = "text/html; charset=utf-8";
    response->body = InjectBridge(kAwayDocument, BridgePath());
}

// The worker names the document it serves ("page", its path and query) on
// every message, so the host learns which document posted.
void PageSite::TakeMessage(const HttpRequest& request, HttpResponse* response) {
    const std::string* kind = request.Header("X-Webview-Kind");
    const bool isString = kind != nullptr && *kind == "string";
    if (kind == nullptr || (!isString && (*kind != "json" || !IsJsonText(request.body)))) {
        return Refuse(400, response);
    }
    response->status = 204;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (crashed_) return;
    }
    const std::string page = QueryValue(request.query, "page");
    const std::string source = page.empty() ? std::string() : VisibleUri(page);
    PostToSink([isString, text = request.body, source](PageSink* sink) {
        sink->OnPageMessage(isString, text, source);
    });
}

void PageSite::TakeResult(const HttpRequest& request, HttpResponse* response) {
    const std::string idText = QueryValue(request.query, "id");
    if (idText.empty() || idText.size() > 9 || idText.find_first_not_of("0123456789") != std::string::npos ||
        !IsJsonText(request.body)) {
        return Refuse(400, response);
    }
    const int id = std::stoi(idText);
    const bool failed = QueryValue(request.query, "failed") == "1";
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (evaluations_.erase(id) == 0) return Refuse(404, response);
    }
    PostToSink([id, failed, json = request.body](PageSink* sink) {
        sink->OnEvaluated(id, failed ? E_FAIL : S_OK, json);
    });
    response->status = 204;
}

// {"url": <the address as the page resolved it>, "user": <a user gesture>,
//  "window": <for a new window>}
void PageSite::TakeNavigation(const HttpRequest& request, HttpResponse* response) {
    std::string_view raw;
    std::string url;
    if (!IsJsonObject(request.body) || !FindMember(request.body, "url", &raw) ||
        !DecodeJsonString(raw, &url) || url.empty()) {
        return Refuse(400, response);
    }
    response->status = 204;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (crashed_) return;
    }
    const bool user = JsonTrue(request.body, "user");
    const bool newWindow = JsonTrue(request.body, "window");
    PostToSink([uri = VisibleUri(url), user, newWindow](PageSink* sink) {
        sink->OnPageNavigation(uri, user, newWindow);
    });
}

void PageSite::TakeFocus(HttpResponse* response) {
    std::lock_guard<std::mutex> hold(lock_);
    focused_ = true;
    response->status = 204;
}
