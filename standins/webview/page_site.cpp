#include "standins/webview/page_site.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <cstring>
#include <utility>

#include "standins/webview/bridge_script.h"
#include "standins/webview/json_text.h"
#include "standins/webview/text.h"

namespace {

constexpr char kBridgePrefix[] = "/__webview/";
constexpr char kFilePrefix[] = "/__file/";
// A file larger than this is not something a page loads.
constexpr LONGLONG kMaxFileBytes = 512ll * 1024 * 1024;

std::string Lowered(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, strlen(prefix), prefix) == 0;
}

void Refuse(int status, HttpResponse* response) {
    response->status = status;
    response->contentType.clear();
    response->body = std::string(ReasonPhrase(status)) + "\n";
}

// 0 when the file cannot be read (missing, a folder, too large).
int ReadWholeFile(const std::wstring& path, std::string* content) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 404;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 404;
    LARGE_INTEGER size = {};
    int status = 200;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kMaxFileBytes) {
        status = 500;
    } else {
        content->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (size.QuadPart > 0 &&
            (!ReadFile(file, &(*content)[0], static_cast<DWORD>(size.QuadPart), &got, nullptr) ||
             got != static_cast<DWORD>(size.QuadPart))) {
            status = 500;
        }
    }
    CloseHandle(file);
    return status;
}

// 128 random bits as hex; empty (and then nothing is served) when the
// system has no randomness to give.
std::string RandomToken() {
    unsigned char bytes[16] = {};
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char byte : bytes) {
        token += kHex[byte >> 4];
        token += kHex[byte & 0xF];
    }
    return token;
}

}  // namespace

PageSite::PageSite(Dispatcher* ui) : ui_(ui), server_(this), token_(RandomToken()) {}

void PageSite::Stop() {
    server_.Stop();
    std::lock_guard<std::mutex> hold(lock_);
    if (page_) page_->End();
    page_.reset();
}

void PageSite::MapHost(const std::string& host, const std::wstring& folder) {
    std::lock_guard<std::mutex> hold(lock_);
    hosts_[Lowered(host)] = folder;
}

void PageSite::UnmapHost(const std::string& host) {
    std::lock_guard<std::mutex> hold(lock_);
    hosts_.erase(Lowered(host));
}

bool PageSite::IsMapped(const std::string& host) {
    std::lock_guard<std::mutex> hold(lock_);
    return hosts_.count(Lowered(host)) != 0;
}

void PageSite::ServeAtRoot(const std::string& host) {
    std::lock_guard<std::mutex> hold(lock_);
    rootHost_ = Lowered(host);
}

std::string PageSite::ServeFolder(const std::wstring& folder) {
    std::lock_guard<std::mutex> hold(lock_);
    size_t index = 0;
    while (index < folders_.size() && _wcsicmp(folders_[index].c_str(), folder.c_str()) != 0) ++index;
    if (index == folders_.size()) folders_.push_back(folder);
    return kFilePrefix + std::to_string(index) + "/";
}

void PageSite::Navigate(const std::string& target) {
    std::lock_guard<std::mutex> hold(lock_);
    pendingTarget_.clear();
    if (!page_ || !page_->Push(EventText("navigate", target))) pendingTarget_ = target;
}

void PageSite::SendEvent(const char* kind, const std::string& data) {
    std::lock_guard<std::mutex> hold(lock_);
    if (page_) page_->Push(EventText(kind, data));
}

void PageSite::SendEvaluationLocked(int id, Evaluation* evaluation) {
    if (!page_) return;
    const std::string data = "{\"id\":" + std::to_string(id) +
                             ",\"awaitPromise\":" + (evaluation->awaitPromise ? "true" : "false") + "}";
    evaluation->sent = page_->Push(EventText("eval", data));
}

void PageSite::QueueEvaluation(int id, const std::string& expression, bool awaitPromise) {
    std::lock_guard<std::mutex> hold(lock_);
    Evaluation& evaluation = evaluations_[id];
    evaluation.expression = expression;
    evaluation.awaitPromise = awaitPromise;
    SendEvaluationLocked(id, &evaluation);
}

void PageSite::ForgetEvaluation(int id) {
    std::lock_guard<std::mutex> hold(lock_);
    evaluations_.erase(id);
}

void PageSite::PostToSink(std::function<void(PageSink*)> work) {
    std::shared_ptr<PageSite> self = shared_from_this();
    ui_->Post([self, work = std::move(work)]() {
        if (self->sink_ != nullptr) work(self->sink_);
    });
}

// Only requests that name the server's token: another page, even one on
// this machine that guesses the port, reaches nothing.
void PageSite::Handle(const HttpRequest& request, HttpResponse* response) {
    const std::string prefix = "/" + token_;
    if (request.path.compare(0, prefix.size() + 1, prefix + "/") != 0) return Refuse(404, response);
    const std::string path = request.path.substr(prefix.size());
    if (StartsWith(path, kBridgePrefix)) {
        HandleBridge(path.substr(strlen(kBridgePrefix)), request, response);
        return;
    }
    if (request.method != "GET" && request.method != "HEAD") return Refuse(405, response);
    std::wstring folder;
    std::string rest = path;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (StartsWith(path, kFilePrefix)) {
            const size_t slash = path.find('/', strlen(kFilePrefix));
            const std::string number = path.substr(strlen(kFilePrefix), slash - strlen(kFilePrefix));
            const size_t index = number.size() < 6 && !number.empty() &&
                                         number.find_first_not_of("0123456789") == std::string::npos
                                     ? std::stoul(number)
                                     : folders_.size();
            if (slash == std::string::npos || index >= folders_.size()) return Refuse(404, response);
            folder = folders_[index];
            rest = path.substr(slash);
        } else {
            const auto found = hosts_.find(rootHost_);
            if (found == hosts_.end()) return Refuse(404, response);
            folder = found->second;
        }
    }
    ServeFile(folder, rest, response);
}

void PageSite::ServeFile(const std::wstring& folder, const std::string& encodedPath, HttpResponse* response) {
    std::string relative;
    if (!SafeRelativePath(encodedPath, &relative)) return Refuse(403, response);
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    for (const wchar_t c : Wide(relative)) path += c == L'/' ? L'\\' : c;
    const int status = ReadWholeFile(path, &response->body);
    if (status != 200) return Refuse(status, response);
    response->contentType = ContentTypeFor(relative);
    if (StartsWith(response->contentType, "text/html"))
        response->body = InjectBridge(response->body, "/" + token_ + kBridgePrefix + "bridge.js");
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
    } else if (name == "message" && post) {
        TakeMessage(request, response);
    } else if (name == "result" && post) {
        TakeResult(request, response);
    } else if (name == "bridge.js" || name == "worker.js" || name == "events" || name == "eval" ||
               name == "message" || name == "result") {
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

void PageSite::TakeMessage(const HttpRequest& request, HttpResponse* response) {
    const std::string* kind = request.Header("X-Webview-Kind");
    const bool isString = kind != nullptr && *kind == "string";
    if (kind == nullptr || (!isString && (*kind != "json" || !IsJsonText(request.body)))) {
        return Refuse(400, response);
    }
    PostToSink([isString, text = request.body](PageSink* sink) { sink->OnPageMessage(isString, text); });
    response->status = 204;
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
