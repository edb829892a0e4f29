// The command line that starts the system's external RDP client.
#pragma once

#include <string>
#include <string_view>

// False for a host that would not stay one argument of the command line:
// one holding a blank, a control character or a double quote. No host
// name or address contains them, so such a host is refused rather than
// quoted.
bool IsSafeClientHost(std::string_view host);

// "mstsc.exe /v:<host>:<port>", port 3389 when below 1.
std::string ExternalClientCommandLine(std::string_view host, int port);
