#include "standins/rdp_test_peer.h"

#include "net/loopback_peers.h"

RdpTestPeer::RdpTestPeer() {
    accepted_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener_ = BindLoopback(&port_);
    if (port_ != 0 && listen(listener_, 1) != 0) port_ = 0;
    acceptor_ = std::thread(&RdpTestPeer::AcceptLoop, this);
}

RdpTestPeer::~RdpTestPeer() {
    stop_ = true;
    acceptor_.join();
    CloseConnection();
    closesocket(listener_);
    CloseHandle(accepted_);
}

// Polls, so the destructor can end it without relying on a blocked accept
// returning when its socket is closed.
void RdpTestPeer::AcceptLoop() {
    while (!stop_ && port_ != 0) {
        if (!WaitReadable(listener_, 20)) continue;
        const SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        connection_ = client;
        SetEvent(accepted_);
        return;
    }
}

bool RdpTestPeer::WaitForConnection(DWORD ms) {
    return WaitForSingleObject(accepted_, ms) == WAIT_OBJECT_0;
}

bool RdpTestPeer::Send(const std::string& line) {
    if (!WaitForConnection(0) || connection_ == INVALID_SOCKET) return false;
    const std::string data = line + "\n";
    std::size_t sent = 0;
    while (sent < data.size()) {
        const int n = send(connection_, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void RdpTestPeer::CloseConnection() {
    if (!WaitForConnection(0) || connection_ == INVALID_SOCKET) return;
    shutdown(connection_, SD_BOTH);
    closesocket(connection_);
    connection_ = INVALID_SOCKET;
}

bool RdpTestPeer::WaitForClientClose(DWORD ms) {
    if (!WaitForConnection(0) || connection_ == INVALID_SOCKET) return false;
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        if (WaitReadable(connection_, 20)) {
            char byte;
            const int n = recv(connection_, &byte, 1, 0);
            if (n <= 0) return true;  // end of stream or reset: closed
        }
        if (GetTickCount64() >= deadline) return false;
    }
}
