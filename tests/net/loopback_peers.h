// Peers on 127.0.0.1 that the probe tests start themselves: nothing ever
// leaves the machine.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <thread>
#include <vector>

// Accepts every connection and closes it at once. Port 0 takes any free
// port; a given port may be taken already, which ok() tells.
class LoopbackListener {
public:
    explicit LoopbackListener(int port = 0);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool ok() const { return ok_; }
    int port() const { return port_; }

private:
    void AcceptLoop();

    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
};

// A listener that never accepts, with its accept queue filled: the system
// drops every further connection attempt, so probes of it time out.
class BlackHoleListener {
public:
    BlackHoleListener();
    ~BlackHoleListener();
    BlackHoleListener(const BlackHoleListener&) = delete;
    BlackHoleListener& operator=(const BlackHoleListener&) = delete;

    int port() const { return port_; }

private:
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<SOCKET> fillers_;
};

// A loopback port that nothing listens on: connections to it are refused.
int ClosedLoopbackPort();

// A socket bound to a loopback port (0: any free one); *port receives the
// port, or 0 when the bind failed.
SOCKET BindLoopback(int* port);
// True once the socket has something to read or accept, waiting up to ms.
bool WaitReadable(SOCKET socket, int ms);
