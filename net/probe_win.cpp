#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <utility>

#include "core/unicode.h"
#include "net/probe.h"
#include "net/socket_handles.h"

namespace {

std::atomic<bool> g_winsockReady{false};
std::atomic<long long> g_counterFrequency{0};

struct Attempt {
    bool connected = false;
    double rtt = -1.0;
    int error = 0;
};

// Waits for a non-blocking connect to finish, at most timeout.
void AwaitConnect(SOCKET socket, double started, const timeval& timeout, Attempt& attempt) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval wait = timeout;
    const int ready = select(0, nullptr, &writable, &failed, &wait);
    const double finished = MonotonicMs();
    if (ready == SOCKET_ERROR) {
        attempt.error = WSAGetLastError();
        return;
    }
    if (ready == 0) {
        attempt.error = WSAETIMEDOUT;
        return;
    }
    int socketError = 0;
    int length = sizeof socketError;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length) ==
        SOCKET_ERROR) {
        socketError = WSAGetLastError();
    }
    if (socketError != 0) {
        attempt.error = socketError;
        return;
    }
    attempt.connected = true;
    attempt.rtt = finished - started;
}

// One connection attempt with its own time-out; the socket is closed
// before the next address is tried.
Attempt TryAddress(const ADDRINFOW& address, const timeval& timeout) {
    Attempt attempt;
    UniqueSocket socket(::socket(address.ai_family, SOCK_STREAM, IPPROTO_TCP));
    if (!socket.valid()) {
        attempt.error = WSAGetLastError();
        return attempt;
    }
    u_long nonBlocking = 1;
    ioctlsocket(socket.get(), FIONBIO, &nonBlocking);
    const double started = MonotonicMs();
    if (connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
        attempt.connected = true;
        attempt.rtt = MonotonicMs() - started;
        return attempt;
    }
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK && error != WSAEINPROGRESS) {
        attempt.error = error;
        return attempt;
    }
    AwaitConnect(socket.get(), started, timeout, attempt);
    return attempt;
}

// The numeric text of an IPv4 or IPv6 address; "" for other families.
std::string AddressText(const ADDRINFOW& address) {
    char text[64] = {};
    const void* raw = nullptr;
    if (address.ai_family == AF_INET) {
        raw = &reinterpret_cast<const sockaddr_in*>(address.ai_addr)->sin_addr;
    } else if (address.ai_family == AF_INET6) {
        raw = &reinterpret_cast<const sockaddr_in6*>(address.ai_addr)->sin6_addr;
    }
    if (raw == nullptr || inet_ntop(address.ai_family, raw, text, sizeof text) == nullptr)
        return std::string();
    return text;
}

}  // namespace

bool EnsureWinsock() {
    if (g_winsockReady.load()) return true;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) g_winsockReady.store(true);
    return g_winsockReady.load();
}

double MonotonicMs() {
    long long frequency = g_counterFrequency.load(std::memory_order_relaxed);
    if (frequency == 0) {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        frequency = value.QuadPart;
        g_counterFrequency.store(frequency, std::memory_order_relaxed);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

ProbeResult ProbeEndpoint(const ProbeJob& job, int timeoutMs) {
    ProbeResult result;
    result.id = job.id;

    // The wide form resolves host names typed in any script; the program's
    // own text is UTF-8 and becomes UTF-16 only here, at the system call.
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    const std::wstring host = ToWide(job.host);
    const std::wstring port = ToWide(ProbePortText(job.port));
    if (GetAddrInfoW(host.c_str(), port.c_str(), &hints, addresses.out()) != 0 ||
        addresses.first() == nullptr) {
        result.netState = NetState::DnsFail;
        result.netDetail = "地址解析失败";
        return result;
    }

    timeval timeout;
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    Attempt last;
    for (const ADDRINFOW* address = addresses.first(); address != nullptr; address = address->ai_next) {
        last = TryAddress(*address, timeout);
        const std::string text = AddressText(*address);
        if (last.connected) {
            if (!text.empty()) result.resolvedIp = text;
            break;
        }
        // With no answer at all, the first address tried is the one reported.
        if (result.resolvedIp.empty()) result.resolvedIp = text;
    }

    if (last.connected) {
        result.netState = NetState::Online;
        result.rtt = last.rtt;
        result.netDetail = "RDP 端口可达";
    } else {
        ClassifyFailure(last.error, result);
    }
    return result;
}
