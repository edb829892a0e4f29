#include "standins/rdpcontrol/connection.h"

#include <cstdlib>
#include <sstream>
#include <utility>

#include "net/socket_handles.h"
#include "standins/rdpcontrol/rdp_interfaces.h"

namespace {

// How often a waiting worker looks at its stop flag.
constexpr long kSliceMicroseconds = 20000;
// A peer that never ends a line gets no more room than this.
constexpr std::size_t kLongestLine = 64 * 1024;

// The control starts Winsock for itself, as the platform's does: it must not
// rely on the program having done so, nor on the program's code.
bool EnsureWinsock() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

// Waits up to one slice for the socket; >0 ready, 0 not yet, <0 failed.
int WaitSlice(SOCKET socket, bool forWrite) {
    fd_set watched;
    fd_set failed;
    FD_ZERO(&watched);
    FD_ZERO(&failed);
    FD_SET(socket, &watched);
    FD_SET(socket, &failed);
    timeval slice = {0, kSliceMicroseconds};
    const int ready = forWrite ? select(0, nullptr, &watched, &failed, &slice)
                               : select(0, &watched, nullptr, &failed, &slice);
    if (ready == SOCKET_ERROR) return -1;
    return ready;
}

bool ReadNumbers(std::istringstream& in, std::vector<long>* numbers) {
    std::string word;
    while (in >> word) {
        char* end = nullptr;
        const long value = std::strtol(word.c_str(), &end, 10);
        if (end == word.c_str() || *end != '\0') return false;
        numbers->push_back(value);
    }
    return true;
}

struct LineKind {
    const char* word;
    DISPID dispid;
    std::size_t arguments;
    EventEffect effect;
};

constexpr LineKind kLineKinds[] = {
    {"disconnect", kOnDisconnected, 1, EventEffect::kEnded},
    {"fatal", kOnFatalError, 1, EventEffect::kNone},
    {"logonerror", kOnLogonError, 1, EventEffect::kNone},
    {"warning", kOnWarning, 1, EventEffect::kNone},
    {"reconnecting", kOnAutoReconnecting, 2, EventEffect::kNone},
    {"reconnected", kOnAutoReconnected, 0, EventEffect::kNone},
    {"size", kOnRemoteDesktopSizeChange, 2, EventEffect::kResized},
};

}  // namespace

bool ParsePeerLine(const std::string& line, PendingEvent* event) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) return false;
    std::vector<long> numbers;
    if (!ReadNumbers(in, &numbers)) return false;
    if (word == "event") {
        if (numbers.empty()) return false;
        event->dispid = static_cast<DISPID>(numbers.front());
        event->arguments.assign(numbers.begin() + 1, numbers.end());
        event->effect = EventEffect::kNone;
        event->continueFlag = false;
        return true;
    }
    for (const LineKind& kind : kLineKinds) {
        if (word != kind.word) continue;
        if (numbers.size() != kind.arguments) return false;
        event->dispid = kind.dispid;
        event->arguments = numbers;
        event->effect = kind.effect;
        event->continueFlag = kind.dispid == kOnAutoReconnecting;
        return true;
    }
    return false;
}

Connection::Connection(EventQueue* queue, ConnectionRequest request)
    : queue_(queue), request_(std::move(request)) {
    thread_ = CreateThread(nullptr, 0, &Connection::Run, this, 0, nullptr);
}

Connection::~Connection() {
    if (thread_ == nullptr) return;
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

DWORD WINAPI Connection::Run(void* self) {
    try {
        static_cast<Connection*>(self)->Work();
    } catch (...) {
        // An allocation failure ends the session without an event; the
        // thread must not take the process with it.
    }
    return 0;
}

void Connection::Work() {
    long reason = 0;
    const SOCKET socket = Open(&reason);
    if (socket == INVALID_SOCKET) {
        if (!stop_) Post(kOnDisconnected, {reason}, EventEffect::kEnded);
        return;
    }
    if (request_.authDialog) Post(kOnAuthenticationWarningDisplayed, {}, EventEffect::kAuthDialog);
    Post(kOnConnected, {}, EventEffect::kConnected);
    Post(kOnLoginComplete, {}, EventEffect::kNone);
    ReadLines(socket);
    closesocket(socket);
}

SOCKET Connection::Open(long* reason) {
    *reason = kReasonDnsLookupFailed;
    if (!EnsureWinsock() || request_.host.empty()) return INVALID_SOCKET;
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    const std::wstring port = std::to_wstring(request_.port);
    if (GetAddrInfoW(request_.host.c_str(), port.c_str(), &hints, addresses.out()) != 0 ||
        addresses.first() == nullptr) {
        return INVALID_SOCKET;
    }
    // One time-out for the whole attempt, whatever the number of addresses.
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(request_.timeoutMs);
    bool timedOut = false;
    for (const ADDRINFOW* address = addresses.first(); address != nullptr && !stop_ && !timedOut;
         address = address->ai_next) {
        const SOCKET socket = TryAddress(*address, deadline, &timedOut);
        if (socket != INVALID_SOCKET) return socket;
    }
    *reason = timedOut ? kReasonTimedOut : kReasonSocketConnectFailed;
    return INVALID_SOCKET;
}

SOCKET Connection::TryAddress(const ADDRINFOW& address, ULONGLONG deadline, bool* timedOut) {
    SOCKET s = ::socket(address.ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return s;
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS) {
        while (!stop_) {
            if (GetTickCount64() >= deadline) {
                *timedOut = true;
                break;
            }
            const int ready = WaitSlice(s, true);
            if (ready == 0) continue;
            int socketError = 0;
            int length = sizeof socketError;
            if (ready > 0 &&
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length) == 0 &&
                socketError == 0) {
                return s;
            }
            break;
        }
    }
    closesocket(s);
    return INVALID_SOCKET;
}

void Connection::ReadLines(SOCKET socket) {
    std::string pending;
    char buffer[1024];
    while (!stop_) {
        const int ready = WaitSlice(socket, false);
        if (ready == 0) continue;
        const int received = ready > 0 ? recv(socket, buffer, sizeof buffer, 0) : -1;
        if (received <= 0) {
            if (received < 0 && WSAGetLastError() == WSAEWOULDBLOCK) continue;
            // A server that ends a session says so first ("disconnect 3");
            // a connection that just goes is the network or the server
            // gone: the socket closed under the session, or its read failed
            // (imstscaxevents-ondisconnected).
            if (!stop_)
                Post(kOnDisconnected, {received == 0 ? kReasonSocketClosed : kReasonSocketRecvFailed},
                     EventEffect::kEnded);
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(received));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!HandleLine(line)) return;
        }
        if (pending.size() > kLongestLine) pending.clear();
    }
}

// False once the line ended the session.
bool Connection::HandleLine(const std::string& line) {
    PendingEvent event;
    if (!ParsePeerLine(line, &event)) return true;
    event.generation = request_.generation;
    const bool ends = event.effect == EventEffect::kEnded;
    queue_->Post(std::move(event));
    return !ends;
}

void Connection::Post(DISPID dispid, std::vector<long> arguments, EventEffect effect) {
    PendingEvent event;
    event.generation = request_.generation;
    event.dispid = dispid;
    event.arguments = std::move(arguments);
    event.effect = effect;
    queue_->Post(std::move(event));
}
