// A host and perhaps its port as people and .rdp files write them: "host",
// "host:port", "[v6]", "[v6]:port" or a bare IPv6 address. One reading and
// one writing for every place an address is typed or stored, so that what
// is written reads back as itself.
#pragma once

#include <string>
#include <string_view>

struct HostPort {
    std::string host;  // without brackets
    int port = 0;      // 0 when the text names none
};

// False for an empty host, a port that is not a whole number from 1 to
// 65535, brackets around anything but an IPv6 address, or a host holding a
// colon that is not one (it could not be written back as itself).
bool ParseHostPort(std::string_view text, HostPort* out);

// The host, in brackets when it holds a colon, then ":port" unless port is
// 0 or defaultPort. A host already in brackets keeps them.
std::string FormatHostPort(const std::string& host, int port, int defaultPort);

// Hexadecimal digits, at least two colons and the dots of an IPv4 tail,
// then perhaps "%" and a zone: letters, digits, "-", "_" or ".".
bool IsIpv6Text(std::string_view host);
