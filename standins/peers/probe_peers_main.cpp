// Servers on loopback for a preview of the program: one port that answers
// (it accepts every connection and holds it until the other side closes,
// which serves probes and stand-in remote desktop sessions alike) and one
// that is black-holed (a listener that never accepts, its queue filled, so
// connection attempts time out). Runs until it is ended.
//   probe_peers.exe ANSWER_PORT BLACKHOLE_PORT
#include <winsock2.h>
// After winsock2.h, which must come first.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

SOCKET ListenOn(int port, int backlog) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, backlog) != 0) {
        std::fprintf(stderr, "probe_peers: cannot listen on 127.0.0.1:%d\n", port);
        std::exit(1);
    }
    return s;
}

// More completed connections than the smallest accept queue holds: once
// one handshake is through, the queue is full and stays so.
void FillQueue(int port, std::vector<SOCKET>* fillers) {
    for (int i = 0; i < 4; ++i) {
        SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        ioctlsocket(filler, FIONBIO, &nonBlocking);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers->push_back(filler);
    }
}

// Accepts and holds connections; drops each once its other side closes.
void Serve(SOCKET listener) {
    std::vector<SOCKET> open;
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        for (SOCKET s : open) FD_SET(s, &readable);
        if (select(0, &readable, nullptr, nullptr, nullptr) <= 0) continue;
        if (FD_ISSET(listener, &readable)) {
            SOCKET accepted = accept(listener, nullptr, nullptr);
            if (accepted != INVALID_SOCKET && open.size() + 1 < FD_SETSIZE)
                open.push_back(accepted);
            else if (accepted != INVALID_SOCKET)
                closesocket(accepted);
        }
        for (auto it = open.begin(); it != open.end();) {
            char buffer[512];
            if (FD_ISSET(*it, &readable) && recv(*it, buffer, sizeof buffer, 0) <= 0) {
                closesocket(*it);
                it = open.erase(it);
            } else {
                ++it;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: probe_peers ANSWER_PORT BLACKHOLE_PORT\n");
        return 2;
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const int answerPort = std::atoi(argv[1]);
    const int blackHolePort = std::atoi(argv[2]);
    SOCKET blackHole = ListenOn(blackHolePort, 0);
    std::vector<SOCKET> fillers;
    FillQueue(blackHolePort, &fillers);
    SOCKET answer = ListenOn(answerPort, SOMAXCONN);
    std::printf("probe_peers: answering on 127.0.0.1:%d, black hole on 127.0.0.1:%d\n", answerPort,
                blackHolePort);
    std::fflush(stdout);
    Serve(answer);
    closesocket(blackHole);
    return 0;
}
