#include "controller/quick_address.h"

#include <algorithm>

#include "core/host_port.h"
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

// host, host:port, [v6]:port, [v6] or a bare v6 address; a host that is
// no address must be a name.
bool ParseHostPart(std::string_view text, QuickAddress* out) {
    HostPort address;
    if (!ParseHostPort(text, &address)) return false;
    if (!IsIpv6Text(address.host) && !IsName(address.host)) return false;
    out->host = address.host;
    if (address.port != 0) out->port = address.port;
    return true;
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
