#include "standins/webview/http_server.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kSliceMs = 200;
// A peer that sends or takes nothing for this long loses its connection.
constexpr int kIdleMs = 30000;

std::string ResponseHead(int status, const std::string& type, const std::string* length) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    if (!type.empty()) head += "Content-Type: " + type + "\r\n";
    if (length != nullptr) head += "Content-Length: " + *length + "\r\n";
    head += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n";
    return head;
}

// True once the peer has closed its side (or the socket failed).
bool PeerGone(SOCKET socket) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval now = {0, 0};
    if (select(0, &readable, nullptr, nullptr, &now) <= 0) return false;
    char scratch[512];
    return recv(socket, scratch, sizeof scratch, 0) <= 0;
}

}  // namespace

bool EventStream::Push(const std::string& chunk) {
    std::lock_guard<std::mutex> hold(lock_);
    if (ended_) return false;
    pending_ += chunk;
    wake_.notify_one();
    return true;
}

void EventStream::End() {
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
    wake_.notify_one();
}

bool EventStream::Take(std::string* chunks, int milliseconds) {
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                   [this] { return ended_ || !pending_.empty(); });
    chunks->swap(pending_);
    pending_.clear();
    return !ended_;
}

HRESULT HttpServer::Start() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return E_FAIL;
    winsock_ = true;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return HRESULT_FROM_WIN32(WSAGetLastError());
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, SOMAXCONN) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return HRESULT_FROM_WIN32(WSAGetLastError());
    }
    port_ = ntohs(address.sin_port);
    try {
        acceptThread_ = std::thread(&HttpServer::AcceptLoop, this);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void HttpServer::Stop() {
    stopping_ = true;
    if (acceptThread_.joinable()) acceptThread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (const auto& connection : connections_) shutdown(connection->socket, SD_BOTH);
    }
    ReapFinished(true);
    if (winsock_) WSACleanup();
    winsock_ = false;
}

void HttpServer::AcceptLoop() {
    while (!stopping_) {
        ReapFinished(false);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval slice = {0, kSliceMs * 1000};
        if (select(0, &readable, nullptr, nullptr, &slice) <= 0) continue;
        const SOCKET accepted = accept(listener_, nullptr, nullptr);
        if (accepted == INVALID_SOCKET) continue;
        try {
            auto connection = std::make_unique<Connection>();
            connection->socket = accepted;
            Connection* raw = connection.get();
            std::lock_guard<std::mutex> hold(lock_);
            connections_.push_back(std::move(connection));
            raw->thread = std::thread(&HttpServer::Serve, this, raw);
        } catch (...) {
            std::lock_guard<std::mutex> hold(lock_);
            if (!connections_.empty() && !connections_.back()->thread.joinable()) connections_.pop_back();
            closesocket(accepted);
        }
    }
}

void HttpServer::ReapFinished(bool all) {
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (all || (*it)->done) {
                finished.push_back(std::move(*it));
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& connection : finished) {
        if (connection->thread.joinable()) connection->thread.join();
        closesocket(connection->socket);
    }
}

void HttpServer::Serve(Connection* connection) {
    const SOCKET socket = connection->socket;
    HttpRequest request;
    int refusal = 0;
    HttpResponse response;
    if (!ReadRequest(socket, &request, &refusal)) {
        response.status = refusal;
    } else {
        try {
            handler_->Handle(request, &response);
        } catch (...) {
            response = HttpResponse();
            response.status = 500;
        }
    }
    Respond(socket, request, response);
    if (response.stream) {
        StreamEvents(socket, response.stream);
        response.stream->End();
        handler_->StreamEnded(response.stream);
    }
    connection->done = true;
}

// False with refusal 0 when the peer went away, else with the status that
// refuses the request.
bool HttpServer::ReadRequest(SOCKET socket, HttpRequest* request, int* refusal) {
    std::string buffer;
    size_t headEnd = 0;
    HeadResult head = HeadResult::kIncomplete;
    while ((head = ParseRequestHead(buffer, request, &headEnd)) == HeadResult::kIncomplete) {
        if (!ReadMore(socket, &buffer)) return false;
    }
    if (head != HeadResult::kComplete) {
        *refusal = head == HeadResult::kTooLarge ? 431 : 400;
        return false;
    }
    // Only the address the page was opened at: a page of another origin that
    // resolves a name of its own to the loopback address is refused.
    const std::string expectedHost = "127.0.0.1:" + std::to_string(port_);
    const std::string* host = request->Header("Host");
    int hosts = 0;
    for (const auto& header : request->headers) hosts += EqualsIgnoringCase(header.first, "Host") ? 1 : 0;
    uint64_t length = 0;
    if (hosts != 1 || host == nullptr || *host != expectedHost) {
        *refusal = 403;
    } else if (!BodyLength(*request, &length)) {
        *refusal = request->Header("Transfer-Encoding") != nullptr ? 411 : 400;
    } else if (length > kMaxBodyBytes) {
        *refusal = 413;
    }
    if (*refusal != 0) return false;
    while (buffer.size() - headEnd < length) {
        if (!ReadMore(socket, &buffer)) return false;
    }
    request->body = buffer.substr(headEnd, static_cast<size_t>(length));
    return true;
}

bool HttpServer::WaitReady(SOCKET socket, bool forWrite) {
    for (int waited = 0; waited < kIdleMs && !stopping_; waited += kSliceMs) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval slice = {0, kSliceMs * 1000};
        const int ready = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &slice);
        if (ready < 0) return false;
        if (ready > 0) return true;
    }
    return false;
}

bool HttpServer::ReadMore(SOCKET socket, std::string* buffer) {
    if (!WaitReady(socket, false)) return false;
    char chunk[64 * 1024];
    const int got = recv(socket, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    buffer->append(chunk, static_cast<size_t>(got));
    return true;
}

bool HttpServer::SendAll(SOCKET socket, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        if (!WaitReady(socket, true)) return false;
        const size_t piece = data.size() - sent < (1u << 20) ? data.size() - sent : (1u << 20);
        const int done = send(socket, data.data() + sent, static_cast<int>(piece), 0);
        if (done <= 0) return false;
        sent += static_cast<size_t>(done);
    }
    return true;
}

void HttpServer::Respond(SOCKET socket, const HttpRequest& request, const HttpResponse& response) {
    if (response.stream) {
        // A first comment line, so the page sees the stream open at once.
        SendAll(socket, ResponseHead(200, "text/event-stream", nullptr) + ":\n\n");
        return;
    }
    const std::string length = std::to_string(response.body.size());
    std::string type = response.contentType;
    if (type.empty() && !response.body.empty()) type = "text/plain; charset=utf-8";
    const bool withBody = request.method != "HEAD";
    if (!SendAll(socket, ResponseHead(response.status, type, &length) + (withBody ? response.body : "")))
        return;
    // Closing with unread input would reset the connection and could cost
    // the peer the answer: let it finish first.
    shutdown(socket, SD_SEND);
    for (int slices = 0; slices < 5 && !stopping_; ++slices) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval slice = {0, kSliceMs * 1000};
        if (select(0, &readable, nullptr, nullptr, &slice) == 0) continue;
        char scratch[4096];
        if (recv(socket, scratch, sizeof scratch, 0) <= 0) break;
    }
}

void HttpServer::StreamEvents(SOCKET socket, const std::shared_ptr<EventStream>& stream) {
    while (!stopping_) {
        std::string chunks;
        const bool open = stream->Take(&chunks, kSliceMs);
        if (!chunks.empty() && !SendAll(socket, chunks)) return;
        if (!open || PeerGone(socket)) return;
    }
}
