// One connection attempt and the session after it, on a worker thread: the
// name lookup and the TCP connect may take seconds, which the control's
// thread must never wait for. Results and the peer's lines become queued
// events tagged with the connection's generation.
#pragma once

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <string>
#include <vector>

#include "standins/rdpcontrol/event_queue.h"

struct ConnectionRequest {
    std::wstring host;
    int port = 3389;
    int timeoutMs = 5000;
    // The authentication dialog comes up once the server has answered.
    bool authDialog = false;
    unsigned generation = 0;
};

class Connection {
public:
    // Starts the worker; started() tells whether there is one.
    Connection(EventQueue* queue, ConnectionRequest request);
    // Stops the worker, which closes its socket, and waits for it. The wait
    // is short (the worker looks at the stop flag every few milliseconds)
    // except during a name lookup, which cannot be interrupted.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool started() const { return thread_ != nullptr; }

private:
    static DWORD WINAPI Run(void* self);
    void Work();
    SOCKET Open(long* reason);
    SOCKET TryAddress(const ADDRINFOW& address, ULONGLONG deadline, bool* timedOut);
    void ReadLines(SOCKET socket);
    bool HandleLine(const std::string& line);
    void Post(DISPID dispid, std::vector<long> arguments, EventEffect effect);

    EventQueue* queue_;
    ConnectionRequest request_;
    std::atomic<bool> stop_{false};
    HANDLE thread_ = nullptr;
};

// Parses one peer line ("size 1920 1080") into an event; false for a line
// that is none.
bool ParsePeerLine(const std::string& line, PendingEvent* event);
