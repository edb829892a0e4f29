#include "controller/quick_address.h"

#include <algorithm>

#include "core/text.h"

namespace {

bool IsNameByte(unsigned char c) {
    // International names arrive as UTF-8: their bytes are all above 0x7F.
    return c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '.' || c == '-' || c == '_';
}

bool IsName(std::string_view host) {
    return !host.empty() && host.front() != '.' && host.front() != '-' &&
           std::all_of(host.begin(), host.end(),
                       [](char c) { return IsNameByte(static_cast<unsigned char>(c)); });
}

// Hex digits, colons, the dots of an embedded IPv4 tail, and a "%zone".
bool IsIpv6(std::string_view host) {
    const std::string_view address = host.substr(0, host.find('%'));
    if (std::count(address.begin(), address.end(), ':') < 2) return false;
    const bool digits = std::all_of(address.begin(), address.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
               c == '.';
    });
    const std::string_view zone = host.size() > address.size() ? host.substr(address.size() + 1) : "x";
    return digits && IsName(zone);
}

// "3390" within 1..65535; no sign, no blanks, no leading "+".
std::optional<int> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

// host, host:port, [v6]:port, [v6] or a bare v6 address.
bool ParseHostPart(std::string_view text, QuickAddress* out) {
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || !IsIpv6(text.substr(1, close - 1))) return false;
        out->host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (rest.empty()) return true;
        if (rest.front() != ':') return false;
        const std::optional<int> port = ParsePort(rest.substr(1));
        if (port) out->port = *port;
        return port.has_value();
    }
    if (IsIpv6(text)) {
        out->host = std::string(text);
        return true;
    }
    const std::size_t colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (!IsName(host)) return false;
    out->host = std::string(host);
    if (colon == std::string_view::npos) return true;
    const std::optional<int> port = ParsePort(text.substr(colon + 1));
    if (port) out->port = *port;
    return port.has_value();
}

}  // namespace

std::optional<QuickAddress> ParseQuickAddress(std::string_view text) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed.find_first_of(" \t\r\n\"'/") != std::string::npos) return std::nullopt;
    QuickAddress address;
    std::string_view rest = trimmed;
    // The last "@": a user name may itself be an e-mail style "a@corp".
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos) {
        if (at == 0) return std::nullopt;
        address.user = std::string(rest.substr(0, at));
        rest = rest.substr(at + 1);
    }
    if (!ParseHostPart(rest, &address)) return std::nullopt;
    return address;
}
