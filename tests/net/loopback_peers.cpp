#include "net/loopback_peers.h"

#include <ws2tcpip.h>

#include "net/probe.h"

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

}  // namespace

SOCKET BindLoopback(int* port) {
    EnsureWinsock();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(*port);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *port = 0;
        return s;
    }
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return s;
}

bool WaitReadable(SOCKET socket, int ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait = {ms / 1000, (ms % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

LoopbackListener::LoopbackListener(int port) : port_(port) {
    socket_ = BindLoopback(&port_);
    ok_ = port_ != 0 && listen(socket_, SOMAXCONN) == 0;
    acceptor_ = std::thread(&LoopbackListener::AcceptLoop, this);
}

LoopbackListener::~LoopbackListener() {
    stop_ = true;
    acceptor_.join();
    closesocket(socket_);
}

// Polls, so the destructor can end it without relying on a blocked accept
// returning when its socket is closed.
void LoopbackListener::AcceptLoop() {
    while (!stop_) {
        if (!WaitReadable(socket_, 20)) continue;
        SOCKET client = accept(socket_, nullptr, nullptr);
        if (client != INVALID_SOCKET) closesocket(client);
    }
}

BlackHoleListener::BlackHoleListener() {
    socket_ = BindLoopback(&port_);
    listen(socket_, 0);
    // More completed connections than the smallest accept queue holds.
    for (int i = 0; i < 4; ++i) {
        SOCKET filler = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        ioctlsocket(filler, FIONBIO, &nonBlocking);
        sockaddr_in address = Loopback(port_);
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.push_back(filler);
    }
    // Once one handshake is through, the queue is full and stays so.
    fd_set connected;
    FD_ZERO(&connected);
    for (SOCKET filler : fillers_) FD_SET(filler, &connected);
    timeval wait = {5, 0};
    select(0, nullptr, &connected, nullptr, &wait);
}

BlackHoleListener::~BlackHoleListener() {
    for (SOCKET filler : fillers_) closesocket(filler);
    closesocket(socket_);
}

int ClosedLoopbackPort() {
    int port = 0;
    SOCKET s = BindLoopback(&port);
    closesocket(s);
    return port;
}
