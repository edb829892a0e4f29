// The loopback server's reading of requests and of paths, kept free of the
// operating system. Everything a browser (or anything else on the machine)
// sends is treated as hostile: a request that is not plainly well formed is
// refused, and no path can name a file outside the folder it is served from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr size_t kMaxHeadBytes = 32 * 1024;
// Page messages travel as request bodies; a page may post tens of megabytes.
constexpr uint64_t kMaxBodyBytes = 64ull * 1024 * 1024;

struct HttpRequest {
    std::string method;
    std::string path;   // as sent, before decoding
    std::string query;  // after '?', without it
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The value of the first header of this name (case-insensitive), or null.
    const std::string* Header(std::string_view name) const;
};

enum class HeadResult { kIncomplete, kComplete, kBad, kTooLarge };

// Parses the request line and headers once buffer holds all of them;
// headEnd is then the offset of the body.
HeadResult ParseRequestHead(std::string_view buffer, HttpRequest* request, size_t* headEnd);

// The body length the head announces: false when it is malformed or uses a
// transfer coding (the bridge always sends a length).
bool BodyLength(const HttpRequest& request, uint64_t* length);

// The path below the served folder that an encoded request path names, in
// UTF-8 with '/' between segments; false when it would leave the folder or
// names something no file can be: dot segments, empty segments, backslashes,
// encoded separators, drive letters and streams (':'), control characters,
// characters Windows forbids in names, trailing dots or spaces, device names.
bool SafeRelativePath(std::string_view encodedPath, std::string* relative);

// Percent-decodes; false for a malformed escape.
bool PercentDecode(std::string_view text, std::string* out);
// Percent-encodes every byte that may not stand in a URL path as it is.
// Every byte keep refuses as "%XX".
std::string PercentEncode(std::string_view text, bool (*keep)(unsigned char));
std::string PercentEncodePath(std::string_view text);
// Percent-encodes all but letters, digits and "-._~": a query value.
std::string PercentEncodeQueryValue(std::string_view text);

// The value of name in a query text ("" when absent).
std::string QueryValue(std::string_view query, std::string_view name);

const char* ContentTypeFor(std::string_view fileName);
const char* ReasonPhrase(int status);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
