#include "net/probe.h"
#include "net/wake_signal.h"

WakeSignal::WakeSignal() {
    EnsureWinsock();
    UniqueSocket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!socket.valid()) return;
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address_;
    u_long nonBlocking = 1;
    if (bind(socket.get(), reinterpret_cast<sockaddr*>(&address_), sizeof address_) != 0 ||
        getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address_), &length) != 0 ||
        ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0)
        return;
    socket_.reset(socket.release());
}

void WakeSignal::Wake() {
    if (!valid()) return;
    // A full queue drops the datagram, which is fine: the ones queued wake
    // the thread all the same.
    sendto(socket_.get(), "", 0, 0, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
}

void WakeSignal::Drain() {
    if (!valid()) return;
    char buffer[16];
    while (recv(socket_.get(), buffer, sizeof buffer, 0) >= 0) {
    }
}
