// One reachability probe: resolve a host, try a TCP connection to the port
// of its addresses within one time-out, and classify the outcome.
#pragma once

#include <cstddef>
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
    int port = 0;  // outside 1..65535 means 3389
    // Where the server stood in the list when the job was made: a hint for
    // finding it again without a search.
    std::size_t listIndex = 0;
};

struct ProbeResult {
    std::string id;
    NetState netState = NetState::NotProbed;
    double rtt = -1.0;  // milliseconds; -1 without a connection
    std::string resolvedIp;
    std::string netDetail;
    // What was probed: the server may have been given another host or port
    // while the probe ran.
    std::string host;
    int port = 0;
    std::size_t listIndex = 0;
};

// "online", "refused", "timeout", "dnsfail", "error"; "unknown" for any
// other value, such as NotProbed or a number read back from elsewhere.
const char* NetStateName(NetState state);

// State and user-facing text for a probe that did not connect, from the
// Windows Sockets error of the last address tried (0: no error recorded).
void ClassifyFailure(int error, ProbeResult& result);

// The service name a job is resolved with: its port, or "3389" outside
// 1..65535.
std::string ProbePortText(int port);

// Milliseconds of the high-resolution performance counter.
double MonotonicMs();

// Starts Windows Sockets 2.2 once per process; true once it has succeeded.
bool EnsureWinsock();

// Blocking; ends within timeoutMs, name resolution included. Every outcome
// is a result.
ProbeResult ProbeEndpoint(const ProbeJob& job, int timeoutMs);
