// select takes at most FD_SETSIZE sockets per set, 64 unless it is defined
// before winsock2.h ("select function", learn.microsoft.com/windows/win32/
// api/winsock2/nf-winsock2-select). WSAPoll is not used: before Windows 10
// 2004 it does not report a connection that failed, which is half of what a
// probe looks for.
#define FD_SETSIZE 1024
#include <winsock2.h>
// After winsock2.h.
#include <mstcpip.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "net/connect_plan.h"
#include "net/name_lookup.h"
#include "net/probe_engine.h"
#include "net/probe_tcp_options.h"
#include "net/socket_handles.h"
#include "net/wake_signal.h"

namespace {

constexpr int kWsaTimedOut = 10060;
// How often a lookup waiting for a free helper asks again, and how long a
// thread without a wake-up socket sleeps at most.
constexpr double kRetryMs = 50.0;

static_assert(FD_SETSIZE >= 1024, "the sets hold every probe of a thread");
static_assert(kRttUnspecified == TCP_INITIAL_RTO_UNSPECIFIED_RTT, "documented value");
static_assert(kNoSynRetransmissions == TCP_INITIAL_RTO_NO_SYN_RETRANSMISSIONS, "documented value");

// A probe's socket: non-blocking, reset instead of closed gracefully, and
// told not to retransmit its SYN.
//
// A graceful close leaves every probed connection in TIME_WAIT for minutes;
// thousands of servers every few seconds would use up the ephemeral ports.
// With SO_LINGER on and a zero time, closesocket resets the connection at
// once and nothing is left behind ("closesocket function", section on
// SO_LINGER, learn.microsoft.com/windows/win32/api/winsock/nf-winsock-closesocket;
// "linger structure", .../api/winsock/ns-winsock-linger).
//
// Windows answers a reset to its SYN by sending the SYN again until its
// retransmissions run out, so a closed port takes the whole time-out and
// reads as silence. SIO_TCP_INITIAL_RTO with MaxSynRetransmissions set to
// TCP_INITIAL_RTO_NO_SYN_RETRANSMISSIONS turns that off for this socket
// (Windows 8 and later: "SIO_TCP_INITIAL_RTO control code",
// learn.microsoft.com/windows/win32/winsock/sio-tcp-initial-rto;
// "TCP_INITIAL_RTO_PARAMETERS structure", .../api/mstcpip/
// ns-mstcpip-tcp_initial_rto_parameters). The lost SYN it no longer
// repeats is made up for by the plan's second attempt. Where the control
// is refused (older systems, Wine), the plan's own deadlines still bound
// every attempt.
SOCKET OpenProbeSocket(int family) {
    UniqueSocket socket(::socket(family, SOCK_STREAM, IPPROTO_TCP));
    if (!socket.valid()) return INVALID_SOCKET;
    u_long nonBlocking = 1;
    if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return INVALID_SOCKET;
    linger abortive = {};
    abortive.l_onoff = 1;
    abortive.l_linger = 0;
    setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
    TCP_INITIAL_RTO_PARAMETERS rto = {};
    rto.Rtt = kRttUnspecified;
    rto.MaxSynRetransmissions = kNoSynRetransmissions;
    DWORD returned = 0;
    WSAIoctl(socket.get(), SIO_TCP_INITIAL_RTO, &rto, sizeof rto, nullptr, 0, &returned, nullptr, nullptr);
    return socket.release();
}

int SocketError(SOCKET socket) {
    int error = 0;
    int length = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
        error = WSAGetLastError();
    return error;
}

struct Probe {
    ProbeJob job;
    double deadlineMs = 0.0;
    std::shared_ptr<NameLookup> lookup;
    std::vector<Endpoint> endpoints;
    std::unique_ptr<ConnectPlan> plan;
    UniqueSocket socket;
    double connectStartMs = 0.0;
    bool finished = false;
    ProbeResult result;
};

void FinishResolutionFailure(Probe& probe, const char* detail) {
    probe.result.netState = NetState::DnsFail;
    probe.result.netDetail = detail;
    probe.finished = true;
}

void FinishFromVerdict(Probe& probe) {
    const ConnectVerdict& verdict = probe.plan->verdict();
    ProbeResult& result = probe.result;
    // No attempt at all: the lookup used the whole time-out.
    const int address = verdict.address < 0 ? 0 : verdict.address;
    result.resolvedIp = probe.endpoints[address].text;
    if (verdict.connected) {
        result.netState = NetState::Online;
        result.rtt = verdict.rttMs;
        result.netDetail = "RDP 端口可达";
    } else {
        ClassifyFailure(verdict.address < 0 ? kWsaTimedOut : verdict.error, result);
    }
    probe.finished = true;
}

// Starts the attempt the plan asks for; a connect that ends at once is
// reported at once.
void StartAttempt(Probe& probe, const ConnectPlan::Attempt& attempt, double nowMs) {
    const Endpoint& endpoint = probe.endpoints[attempt.address];
    probe.socket.reset(OpenProbeSocket(endpoint.family));
    if (!probe.socket.valid()) {
        probe.plan->Report(WSAGetLastError(), nowMs, -1.0);
        return;
    }
    probe.connectStartMs = MonotonicMs();
    if (connect(probe.socket.get(), reinterpret_cast<const sockaddr*>(&endpoint.address), endpoint.length) ==
        0) {
        probe.plan->Report(0, nowMs, MonotonicMs() - probe.connectStartMs);
        probe.socket.reset();
        return;
    }
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS) return;
    probe.socket.reset();
    probe.plan->Report(error, nowMs, -1.0);
}

// Moves a probe as far as it goes without waiting.
void Advance(Probe& probe, double nowMs) {
    if (probe.finished) return;
    if (!probe.plan) {
        if (!probe.lookup->Poll()) {
            if (nowMs >= probe.deadlineMs) FinishResolutionFailure(probe, "地址解析超时");
            return;
        }
        probe.endpoints = probe.lookup->endpoints();
        if (probe.endpoints.empty()) return FinishResolutionFailure(probe, "地址解析失败");
        probe.plan =
            std::make_unique<ConnectPlan>(static_cast<int>(probe.endpoints.size()), probe.deadlineMs);
    }
    ConnectPlan& plan = *probe.plan;
    for (;;) {
        if (plan.running()) {
            if (nowMs < plan.current().answerByMs) return;
            probe.socket.reset();
            plan.Expire(nowMs);
        }
        ConnectPlan::Attempt attempt;
        if (!plan.Next(nowMs, &attempt)) break;
        StartAttempt(probe, attempt, nowMs);
    }
    if (plan.done()) FinishFromVerdict(probe);
}

}  // namespace

struct ProbeEngine::State {
    std::size_t capacity = 1;
    std::shared_ptr<WakeSignal> wake = std::make_shared<WakeSignal>();
    std::vector<std::unique_ptr<Probe>> probes;

    void AdvanceAll(std::vector<ProbeResult>* finished);
    double NextEventMs(double nowMs) const;
    void Wait(double waitMs, bool limited);
};

void ProbeEngine::State::AdvanceAll(std::vector<ProbeResult>* finished) {
    const double nowMs = MonotonicMs();
    for (auto& probe : probes) {
        Advance(*probe, nowMs);
        if (probe->finished) finished->push_back(std::move(probe->result));
    }
    probes.erase(std::remove_if(probes.begin(), probes.end(), [](const auto& p) { return p->finished; }),
                 probes.end());
}

// The earliest time a probe must be looked at without a socket event.
double ProbeEngine::State::NextEventMs(double nowMs) const {
    double next = -1.0;
    const auto consider = [&next](double at) {
        if (next < 0 || at < next) next = at;
    };
    for (const auto& probe : probes) {
        if (probe->plan && probe->plan->running()) {
            consider(probe->plan->current().answerByMs);
        } else if (!probe->plan) {
            consider(probe->lookup->waitingForHelper() ? nowMs + kRetryMs : probe->deadlineMs);
        }
    }
    if (!wake->valid()) consider(nowMs + kRetryMs);
    return next;
}

void ProbeEngine::State::Wait(double waitMs, bool limited) {
    fd_set writable;
    fd_set failed;
    fd_set readable;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_ZERO(&readable);
    for (const auto& probe : probes) {
        if (!probe->socket.valid()) continue;
        FD_SET(probe->socket.get(), &writable);
        FD_SET(probe->socket.get(), &failed);
    }
    if (wake->valid()) FD_SET(wake->socket(), &readable);
    if (writable.fd_count == 0 && readable.fd_count == 0) {
        // select refuses three empty sets.
        Sleep(static_cast<DWORD>(std::min(waitMs, kRetryMs)));
        return;
    }
    timeval timeout = {};
    if (limited) {
        const long micros = static_cast<long>(std::max(0.0, waitMs) * 1000.0);
        timeout.tv_sec = micros / 1000000;
        timeout.tv_usec = micros % 1000000;
    }
    const int ready = select(0, &readable, &writable, &failed, limited ? &timeout : nullptr);
    const double nowMs = MonotonicMs();
    if (ready <= 0) return;
    if (wake->valid() && FD_ISSET(wake->socket(), &readable)) wake->Drain();
    for (auto& probe : probes) {
        const SOCKET socket = probe->socket.get();
        if (!probe->socket.valid()) continue;
        if (!FD_ISSET(socket, &writable) && !FD_ISSET(socket, &failed)) continue;
        // The stack may flag a failed connect as writable too: the socket's
        // own error decides.
        const int error = SocketError(socket);
        probe->socket.reset();
        probe->plan->Report(error, nowMs, error == 0 ? nowMs - probe->connectStartMs : -1.0);
    }
}

ProbeEngine::ProbeEngine(std::size_t capacity) : state_(std::make_unique<State>()) {
    EnsureWinsock();
    state_->capacity = std::clamp<std::size_t>(capacity, 1, FD_SETSIZE - 1);
}

ProbeEngine::~ProbeEngine() = default;

std::size_t ProbeEngine::capacity() const {
    return state_->capacity;
}

std::size_t ProbeEngine::inFlight() const {
    return state_->probes.size();
}

void ProbeEngine::Begin(const ProbeJob& job, int timeoutMs) {
    auto probe = std::make_unique<Probe>();
    probe->job = job;
    probe->deadlineMs = MonotonicMs() + timeoutMs;
    probe->result.id = job.id;
    probe->result.host = job.host;
    probe->result.port = job.port;
    probe->result.listIndex = job.listIndex;
    probe->lookup = NameLookup::Start(job.host, job.port, state_->wake);
    state_->probes.push_back(std::move(probe));
}

void ProbeEngine::Run(int maxWaitMs, std::vector<ProbeResult>* finished) {
    state_->AdvanceAll(finished);
    if (!finished->empty() && state_->probes.empty()) return;
    const double nowMs = MonotonicMs();
    double waitMs = -1.0;
    const double next = state_->NextEventMs(nowMs);
    if (next >= 0) waitMs = std::max(0.0, next - nowMs);
    if (maxWaitMs >= 0 && (waitMs < 0 || maxWaitMs < waitMs)) waitMs = maxWaitMs;
    // A finished probe is handed over without waiting for the others.
    if (!finished->empty()) waitMs = 0;
    state_->Wait(waitMs, waitMs >= 0);
    state_->AdvanceAll(finished);
}

void ProbeEngine::Wake() {
    state_->wake->Wake();
}
