#include "standins/webview/navigation.h"

#include <cctype>

#include "standins/webview/http_request.h"

namespace {

bool HasSchemePrefix(const std::string& uri, const std::string& prefix) {
    return uri.size() >= prefix.size() &&
           EqualsIgnoringCase(std::string_view(uri).substr(0, prefix.size()), prefix);
}

// Leaves what a URL may carry as it is and encodes the rest (spaces,
// controls, non-ASCII), as a browser does before it sends a request.
std::string EncodeUrlText(const std::string& text) {
    return PercentEncode(text, [](unsigned char c) {
        return c > 0x20 && c < 0x7F &&
               std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) == std::string_view::npos;
    });
}

std::string WithoutFragment(const std::string& text) {
    return text.substr(0, text.find('#'));
}

}  // namespace

bool IsHostName(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    for (const char c : host) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '.') return false;
    }
    return true;
}

bool ParseHttpsUri(const std::string& uri, std::string* host, std::string* pathAndQuery) {
    if (!HasSchemePrefix(uri, "https://")) return false;
    const std::string rest = WithoutFragment(uri.substr(8));
    const size_t end = rest.find_first_of("/?");
    *host = rest.substr(0, end);
    if (!IsHostName(*host)) return false;
    std::string tail = end == std::string::npos ? std::string() : rest.substr(end);
    if (tail.empty() || tail.front() == '?') tail = "/" + tail;
    *pathAndQuery = EncodeUrlText(tail);
    return true;
}

bool ParseFileUri(const std::string& uri, std::string* folder, std::string* nameAndQuery) {
    std::string rest;
    if (HasSchemePrefix(uri, "file:///")) {
        rest = uri.substr(8);
    } else if (HasSchemePrefix(uri, "file://localhost/")) {
        rest = uri.substr(17);
    } else {
        return false;
    }
    rest = WithoutFragment(rest);
    const size_t question = rest.find('?');
    const std::string query = question == std::string::npos ? std::string() : rest.substr(question);
    std::string path;
    if (!PercentDecode(rest.substr(0, question), &path)) return false;
    const size_t slash = path.rfind('/');
    if (path.size() < 4 || std::isalpha(static_cast<unsigned char>(path[0])) == 0 || path[1] != ':' ||
        path[2] != '/' || slash == path.size() - 1) {
        return false;
    }
    *folder = path.substr(0, slash == 2 ? 3 : slash);
    for (char& c : *folder) {
        if (c == '/') c = '\\';
    }
    *nameAndQuery = PercentEncodePath(path.substr(slash + 1)) + EncodeUrlText(query);
    return true;
}
