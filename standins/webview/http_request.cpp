#include "standins/webview/http_request.h"

#include <cctype>

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// "METHOD /target HTTP/1.x"
bool ParseRequestLine(std::string_view line, HttpRequest* request) {
    const size_t first = line.find(' ');
    const size_t second = line.find(' ', first == std::string_view::npos ? first : first + 1);
    if (first == 0 || first == std::string_view::npos || second == std::string_view::npos) return false;
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
    for (const char c : method) {
        if (!IsTokenChar(c)) return false;
    }
    for (const char c : target) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    }
    if (target.empty()) return false;
    const size_t question = target.find('?');
    request->method.assign(method);
    request->path.assign(target.substr(0, question));
    request->query.assign(question == std::string_view::npos ? std::string_view()
                                                             : target.substr(question + 1));
    return true;
}

bool ParseHeaderLine(std::string_view line, HttpRequest* request) {
    const size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    const std::string_view name = line.substr(0, colon);
    for (const char c : name) {
        if (!IsTokenChar(c)) return false;
    }
    const std::string_view value = TrimSpace(line.substr(colon + 1));
    for (const char c : value) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) return false;
    }
    request->headers.emplace_back(std::string(name), std::string(value));
    return true;
}

bool IsDeviceName(std::string_view segment) {
    const std::string_view stem = segment.substr(0, segment.find('.'));
    std::string lower;
    for (const char c : stem) lower += Lower(c);
    if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return true;
    return lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0) &&
           lower[3] >= '0' && lower[3] <= '9';
}

bool SafeSegment(std::string_view segment) {
    if (segment.empty() || segment == "." || segment == "..") return false;
    for (const char c : segment) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
        if (std::string_view("\\:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    if (segment.back() == '.' || segment.back() == ' ') return false;
    return !IsDeviceName(segment);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

const std::string* HttpRequest::Header(std::string_view name) const {
    for (const auto& header : headers) {
        if (EqualsIgnoringCase(header.first, name)) return &header.second;
    }
    return nullptr;
}

HeadResult ParseRequestHead(std::string_view buffer, HttpRequest* request, size_t* headEnd) {
    const size_t end = buffer.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        return buffer.size() > kMaxHeadBytes ? HeadResult::kTooLarge : HeadResult::kIncomplete;
    }
    if (end + 4 > kMaxHeadBytes) return HeadResult::kTooLarge;
    std::string_view rest = buffer.substr(0, end);
    size_t lineEnd = rest.find("\r\n");
    if (!ParseRequestLine(rest.substr(0, lineEnd), request)) return HeadResult::kBad;
    while (lineEnd != std::string_view::npos) {
        rest.remove_prefix(lineEnd + 2);
        lineEnd = rest.find("\r\n");
        const std::string_view line = rest.substr(0, lineEnd);
        // Folded (obsolete) header lines are refused, as the standard allows.
        if (line.empty() || line.front() == ' ' || line.front() == '\t') return HeadResult::kBad;
        if (!ParseHeaderLine(line, request)) return HeadResult::kBad;
    }
    *headEnd = end + 4;
    return HeadResult::kComplete;
}

bool BodyLength(const HttpRequest& request, uint64_t* length) {
    *length = 0;
    if (request.Header("Transfer-Encoding") != nullptr) return false;
    const std::string* text = nullptr;
    for (const auto& header : request.headers) {
        if (!EqualsIgnoringCase(header.first, "Content-Length")) continue;
        if (text != nullptr && *text != header.second) return false;  // conflicting lengths
        text = &header.second;
    }
    if (text == nullptr) return true;
    if (text->empty() || text->size() > 18) return false;
    for (const char c : *text) {
        if (c < '0' || c > '9') return false;
        *length = *length * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

bool PercentDecode(std::string_view text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        *out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string PercentEncode(std::string_view text, bool (*keep)(unsigned char)) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (keep(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

std::string PercentEncodePath(std::string_view text) {
    return PercentEncode(text, [](unsigned char c) {
        return std::isalnum(c) != 0 ||
               std::string_view("/-._~!$&'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos;
    });
}

std::string PercentEncodeQueryValue(std::string_view text) {
    return PercentEncode(text, [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~';
    });
}

bool SafeRelativePath(std::string_view encodedPath, std::string* relative) {
    relative->clear();
    if (encodedPath.empty() || encodedPath.front() != '/') return false;
    std::string decoded;
    if (!PercentDecode(encodedPath.substr(1), &decoded)) return false;
    // A separator or NUL that arrived encoded is never taken for what it decodes to.
    for (size_t i = 0; i + 2 < encodedPath.size(); ++i) {
        if (encodedPath[i] != '%') continue;
        const int value = HexDigit(encodedPath[i + 1]) * 16 + HexDigit(encodedPath[i + 2]);
        if (value == '/' || value == '\\' || value == 0) return false;
    }
    size_t start = 0;
    while (start <= decoded.size()) {
        size_t end = decoded.find('/', start);
        if (end == std::string::npos) end = decoded.size();
        if (!SafeSegment(std::string_view(decoded).substr(start, end - start))) return false;
        start = end + 1;
    }
    *relative = decoded;
    return true;
}

std::string QueryValue(std::string_view query, std::string_view name) {
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string_view::npos) end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        const size_t equals = pair.find('=');
        std::string value;
        if (pair.substr(0, equals) == name &&
            PercentDecode(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1),
                          &value)) {
            return value;
        }
        start = end + 1;
    }
    return std::string();
}

const char* ContentTypeFor(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    std::string extension;
    if (dot != std::string_view::npos) {
        for (const char c : fileName.substr(dot + 1)) extension += Lower(c);
    }
    if (extension == "html" || extension == "htm") return "text/html; charset=utf-8";
    if (extension == "css") return "text/css; charset=utf-8";
    if (extension == "js" || extension == "mjs") return "text/javascript; charset=utf-8";
    if (extension == "json") return "application/json; charset=utf-8";
    if (extension == "png") return "image/png";
    if (extension == "svg") return "image/svg+xml";
    if (extension == "ico") return "image/x-icon";
    if (extension == "jpg" || extension == "jpeg") return "image/jpeg";
    if (extension == "gif") return "image/gif";
    if (extension == "woff2") return "font/woff2";
    if (extension == "txt") return "text/plain; charset=utf-8";
    return "application/octet-stream";
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 411:
            return "Length Required";
        case 413:
            return "Payload Too Large";
        case 431:
            return "Request Header Fields Too Large";
        default:
            return "Internal Server Error";
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}
