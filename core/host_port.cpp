#include "core/host_port.h"

#include <algorithm>

namespace {

bool IsHexOrSeparator(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

bool IsZoneChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

// "3390" within 1..65535: digits only, no sign, no blanks.
bool ParsePort(std::string_view text, int* port) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    *port = value;
    return true;
}

}  // namespace

bool IsIpv6Text(std::string_view host) {
    const std::size_t percent = host.find('%');
    const std::string_view address = host.substr(0, percent);
    if (std::count(address.begin(), address.end(), ':') < 2) return false;
    if (!std::all_of(address.begin(), address.end(), IsHexOrSeparator)) return false;
    if (percent == std::string_view::npos) return true;
    const std::string_view zone = host.substr(percent + 1);
    return !zone.empty() && std::all_of(zone.begin(), zone.end(), IsZoneChar);
}

bool ParseHostPort(std::string_view text, HostPort* out) {
    HostPort read;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || !IsIpv6Text(text.substr(1, close - 1))) return false;
        read.host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !ParsePort(rest.substr(1), &read.port))) return false;
    } else if (std::count(text.begin(), text.end(), ':') >= 2) {
        // Bare, an IPv6 address cannot carry a port: every colon is its own.
        if (!IsIpv6Text(text)) return false;
        read.host = std::string(text);
    } else {
        const std::size_t colon = text.find(':');
        read.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos && !ParsePort(text.substr(colon + 1), &read.port)) return false;
    }
    if (read.host.empty()) return false;
    *out = std::move(read);
    return true;
}

std::string FormatHostPort(const std::string& host, int port, int defaultPort) {
    const bool bracket = host.find(':') != std::string::npos && host.front() != '[';
    std::string text = bracket ? "[" + host + "]" : host;
    if (port > 0 && port != defaultPort) text += ":" + std::to_string(port);
    return text;
}
