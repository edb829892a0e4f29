// Owners of the Winsock resources: a socket, and the address list a name
// lookup returns. Each is freed once.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

class UniqueSocket {
public:
    explicit UniqueSocket(SOCKET socket = INVALID_SOCKET) : socket_(socket) {}
    ~UniqueSocket() { reset(); }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    bool valid() const { return socket_ != INVALID_SOCKET; }
    SOCKET get() const { return socket_; }
    void reset(SOCKET socket = INVALID_SOCKET) {
        if (valid()) closesocket(socket_);
        socket_ = socket;
    }
    SOCKET release() {
        const SOCKET socket = socket_;
        socket_ = INVALID_SOCKET;
        return socket;
    }

private:
    SOCKET socket_;
};

class AddressList {
public:
    AddressList() = default;
    ~AddressList() {
        if (list_ != nullptr) FreeAddrInfoW(list_);
    }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    ADDRINFOW** out() { return &list_; }
    const ADDRINFOW* first() const { return list_; }

private:
    ADDRINFOW* list_ = nullptr;
};
