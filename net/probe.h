// One reachability probe: resolve a host, try a TCP connection to the port
// of each address with a time-out, and classify the outcome.
#pragma once

#include <string>

enum NetState : int {
    kNetNotProbed = 0,
    kNetOnline = 1,
    kNetRefused = 2,
    kNetTimeout = 3,
    kNetDnsFail = 4,
    kNetError = 5,
};

struct ProbeJob {
    std::string id;
    std::string host;
    int port = 0;  // below 1 means 3389
};

struct ProbeResult {
    std::string id;
    int netState = kNetNotProbed;
    double rtt = -1.0;  // milliseconds; -1 without a connection
    std::string resolvedIp;
    std::string netDetail;
};

// "online", "refused", "timeout", "dnsfail", "error"; "unknown" otherwise.
const char* NetStateName(int netState);

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
