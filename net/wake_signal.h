// A way for other threads to end a probing thread's select: a datagram
// socket on the loopback address that the waiting thread watches and
// anyone may send an empty datagram to. Shared, so a name lookup that
// outlives its probe can still signal without a dangling pointer.
#pragma once

#include <winsock2.h>

#include "net/socket_handles.h"

class WakeSignal {
public:
    WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // False when no socket could be made: the waiting thread must then wake
    // up by itself now and then.
    bool valid() const { return socket_.valid(); }
    SOCKET socket() const { return socket_.get(); }
    // From any thread.
    void Wake();
    // On the waiting thread: empties the queue of signals.
    void Drain();

private:
    UniqueSocket socket_;
    sockaddr_in address_ = {};
};
