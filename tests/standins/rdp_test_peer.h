// The far end of a stand-in RDP session: a TCP peer on 127.0.0.1 that
// accepts the control's one connection and sends it protocol lines
// ("size 1920 1080", "disconnect 2825"; see
// standins/rdpcontrol/standin_control.h). Nothing leaves the machine.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

class RdpTestPeer {
public:
    // Listens on a free port at once and accepts on a thread.
    RdpTestPeer();
    ~RdpTestPeer();
    RdpTestPeer(const RdpTestPeer&) = delete;
    RdpTestPeer& operator=(const RdpTestPeer&) = delete;

    int port() const { return port_; }
    // True once the connection has been accepted (waiting up to ms).
    bool WaitForConnection(DWORD ms);
    // Sends line and "\n"; false without a connection or when sending fails.
    bool Send(const std::string& line);
    // Ends the connection from this side: the control sees the peer close.
    void CloseConnection();
    // True once the control has closed its side (waiting up to ms).
    bool WaitForClientClose(DWORD ms);

private:
    void AcceptLoop();

    SOCKET listener_ = INVALID_SOCKET;
    SOCKET connection_ = INVALID_SOCKET;
    int port_ = 0;
    HANDLE accepted_ = nullptr;  // manual-reset event
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
};
