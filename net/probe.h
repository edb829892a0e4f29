// One reachability probe: resolve a host, try a TCP connection to the port
// of each address with a time-out, and classify the outcome.
#pragma once

#include <cstdint>
#include <string>

// The numbers are what the page receives: they never change.
enum class NetState : std::int32_t {
    NotProbed = 0,
    Online = 1,
    Refused = 2,
    Timeout = 3,
    DnsFail = 4,
    Error = 5,
};

struct ProbeJob {
    std::string id;
    std::string host;
    int port = 0;  // below 1 means 3389
};

struct ProbeResult {
    std::string id;
    NetState netState = NetState::NotProbed;
    double rtt = -1.0;  // milliseconds; -1 without a connection
    std::string resolvedIp;
    std::string netDetail;
};

// "online", "refused", "timeout", "dnsfail", "error"; "unknown" for any
// other value, such as NotProbed or a number read back from elsewhere.
const char* NetStateName(NetState state);

// State and user-facing text for a probe that did not connect, from the
// Windows Sockets error of the last address tried (0: no error recorded).
void ClassifyFailure(int error, ProbeResult& result);

// The service name a job is resolved with: its port, or "3389" below 1.
std::string ProbePortText(int port);

// Milliseconds of the high-resolution performance counter.
double MonotonicMs();

// Starts Windows Sockets 2.2 once per process; true once it has succeeded.
bool EnsureWinsock();

// Blocking; at most about (resolved addresses) x timeoutMs plus the name
// resolution. Every outcome is a result.
ProbeResult ProbeEndpoint(const ProbeJob& job, int timeoutMs);
