// The arguments that start the system's external RDP client for a server.
#pragma once

#include <string>
#include <string_view>

// True only for a host made of what host names and addresses consist of:
// ASCII letters and digits, ".", "-", "_", the ":", "[", "]" and "%" of
// IPv6 addresses with zones, and the bytes of non-ASCII (international)
// names. Anything else (a blank, a quote, a slash, a control character)
// could end the argument or start an option of its own, so such a host is
// refused rather than quoted.
bool IsSafeClientHost(std::string_view host);

// "/v:<host>:<port>", port 3389 when below 1.
std::string ExternalClientArguments(std::string_view host, int port);
