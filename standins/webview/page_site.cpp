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

// The folder number of a "/__file/<n>/" path; count (no folder) when it is
// no number.
size_t FolderIndex(const std::string& number, size_t count) {
    const bool digits =
        !number.empty() && number.size() < 6 && number.find_first_not_of("0123456789") == std::string::npos;
    return digits ? std::stoul(number) : count;
}

}  // namespace

void Refuse(int status, HttpResponse* response) {
    response->status = status;
    response->contentType.clear();
    response->body = std::string(ReasonPhrase(status)) + "\n";
}

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
            const size_t index = FolderIndex(number, folders_.size());
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
        response->body = InjectBridge(response->body, BridgePath());
}

std::string PageSite::BridgePath() const {
    return "/" + token_ + kBridgePrefix + "bridge.js";
}

std::string PageSite::VisibleUri(const std::string& address) {
    const std::string origin = "http://127.0.0.1:" + std::to_string(port());
    const std::string root = "/" + token_ + "/";
    const size_t pathAt = address.compare(0, origin.size() + 1, origin + "/") == 0 ? origin.size() : 0;
    if (address.compare(pathAt, root.size(), root) != 0) return address;
    const std::string path = address.substr(pathAt + root.size() - 1);  // from the '/' after the token
    const size_t queryAt = path.find_first_of("?#");
    const std::string route = path.substr(0, queryAt);
    if (route == std::string(kBridgePrefix) + "away") {
        const size_t fragment = path.find('#');
        const std::string query = queryAt == std::string::npos || path[queryAt] != '?'
                                      ? std::string()
                                      : path.substr(queryAt + 1, fragment - queryAt - 1);
        return QueryValue(query, "uri");
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (StartsWith(path, kFilePrefix)) {
        const size_t slash = path.find('/', strlen(kFilePrefix));
        const std::string number = path.substr(strlen(kFilePrefix), slash - strlen(kFilePrefix));
        const size_t index = FolderIndex(number, folders_.size());
        if (slash == std::string::npos || index >= folders_.size()) return address;
        std::string folder = Utf8(folders_[index]);
        for (char& c : folder) c = c == '\\' ? '/' : c;
        if (!folder.empty() && folder.back() == '/') folder.pop_back();
        return "file:///" + PercentEncodePath(folder) + path.substr(slash);
    }
    return rootHost_.empty() ? address : "https://" + rootHost_ + path;
}
