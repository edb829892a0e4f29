// The loopback HTTP server of one webview: listens on 127.0.0.1 only, one
// thread per connection, one request per connection. A response may stay
// open as an event stream that carries whatever is pushed into it.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "standins/webview/http_request.h"

// Server-sent events for one page; pushed from any thread.
class EventStream {
public:
    // False once the stream has ended (the page went away).
    bool Push(const std::string& chunk);
    void End();
    // Waits up to milliseconds for pushed text; false once ended and drained.
    bool Take(std::string* chunks, int milliseconds);

private:
    std::mutex lock_;
    std::condition_variable wake_;
    std::string pending_;
    bool ended_ = false;
};

struct HttpResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    std::shared_ptr<EventStream> stream;  // set: an open event stream instead of a body
};

// Called on the server's threads.
class HttpHandler {
public:
    virtual void Handle(const HttpRequest& request, HttpResponse* response) = 0;
    virtual void StreamEnded(const std::shared_ptr<EventStream>& stream) = 0;

protected:
    ~HttpHandler() = default;
};

class HttpServer {
public:
    explicit HttpServer(HttpHandler* handler) : handler_(handler) {}
    ~HttpServer() { Stop(); }
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    HRESULT Start();
    unsigned short port() const { return port_; }
    // Stops accepting, ends every connection and joins every thread; a
    // request in progress gets no answer.
    void Stop();

private:
    struct Connection {
        SOCKET socket = INVALID_SOCKET;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void AcceptLoop();
    void Serve(Connection* connection);
    bool ReadRequest(SOCKET socket, HttpRequest* request, int* refusal);
    void StreamEvents(SOCKET socket, const std::shared_ptr<EventStream>& stream);
    bool WaitReady(SOCKET socket, bool forWrite);
    bool ReadMore(SOCKET socket, std::string* buffer);
    bool SendAll(SOCKET socket, const std::string& data);
    void Respond(SOCKET socket, const HttpRequest& request, const HttpResponse& response);
    void ReapFinished(bool all);

    HttpHandler* handler_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    bool winsock_ = false;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex lock_;
    std::list<std::unique_ptr<Connection>> connections_;
};
