// What a user may type into the search box to connect without saving a
// server first: "host", "host:port" or "user@host[:port]", the host a name,
// an IPv4 address, or an IPv6 address (bare, or in brackets with a port).
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct QuickAddress {
    std::string user;  // "" when none was typed
    std::string host;  // without brackets
    int port = 3389;
};

// Empty for anything else: blanks inside, an empty part, a port outside
// 1..65535, or a host with characters no host name or address has.
std::optional<QuickAddress> ParseQuickAddress(std::string_view text);
