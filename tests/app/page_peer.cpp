#include "app/page_peer.h"

#include <ws2tcpip.h>

#include <cstdlib>

#include "core/file_io.h"
#include "core/text.h"
#include "support/message_pump.h"

namespace {

SOCKET ConnectLoopback(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool SendAll(SOCKET s, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// "http://127.0.0.1:<port><path>" as the runtime writes it.
bool SplitAddress(const std::string& address, int* port, std::string* path) {
    const std::string prefix = "http://127.0.0.1:";
    if (address.compare(0, prefix.size(), prefix) != 0) return false;
    const std::size_t slash = address.find('/', prefix.size());
    *port = std::atoi(address.substr(prefix.size(), slash - prefix.size()).c_str());
    *path = slash == std::string::npos ? "/" : address.substr(slash);
    return *port > 0;
}

// The expression inside the script the runtime serves for an evaluation.
std::string ExpressionOf(const std::string& script) {
    const std::size_t start = script.find("return (\n");
    const std::size_t end = script.rfind("\n); });");
    if (start == std::string::npos || end == std::string::npos || end < start + 9) return script;
    return script.substr(start + 9, end - start - 9);
}

}  // namespace

PagePeer::PagePeer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

PagePeer::~PagePeer() {
    if (stream_ != INVALID_SOCKET) {
        shutdown(stream_, SD_BOTH);
        closesocket(stream_);
    }
    if (reader_.joinable()) reader_.join();
    WSACleanup();
}

bool PagePeer::Attach(const std::string& userDataFolder, DWORD ms) {
    const std::string file = JoinPath(userDataFolder, "standin-page-address.txt");
    std::string address;
    const bool found = PumpUntil(
        [&] { return ReadWholeFile(file, &address) && SplitAddress(Trim(address), &port_, &pagePath_); }, ms);
    if (!found) return false;
    stream_ = ConnectLoopback(port_);
    if (stream_ == INVALID_SOCKET) return false;
    const std::string request = "GET /__webview/events?page=" + pagePath_ +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                "\r\nAccept: text/event-stream\r\n\r\n";
    if (!SendAll(stream_, request)) return false;
    // The stream is the page once its first comment has come.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n:\n\n") == std::string::npos) {
        const int n = recv(stream_, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string rest = head.substr(head.find("\r\n\r\n:\n\n") + 7);
    reader_ = std::thread([this, rest] {
        std::string pending = rest;
        char chunk[16384];
        while (true) {
            std::size_t end;
            while ((end = pending.find("\n\n")) != std::string::npos) {
                TakeEvent(pending.substr(0, end));
                pending.erase(0, end + 2);
            }
            const int n = recv(stream_, chunk, sizeof chunk, 0);
            if (n <= 0) return;
            pending.append(chunk, static_cast<std::size_t>(n));
        }
    });
    return true;
}

void PagePeer::TakeEvent(const std::string& block) {
    std::string kind;
    std::string data;
    bool firstData = true;
    std::size_t start = 0;
    while (start <= block.size()) {
        std::size_t end = block.find('\n', start);
        if (end == std::string::npos) end = block.size();
        const std::string line = block.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, 7, "event: ") == 0) kind = line.substr(7);
        if (line.compare(0, 6, "data: ") != 0) continue;
        if (!firstData) data += '\n';
        data += line.substr(6);
        firstData = false;
    }
    JsonValue value;
    std::string error;
    if (!ParseJson(data, &value, &error)) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (kind == "message") {
        messages_.emplace_back(value.getString("cmd", ""), value.find("data"));
    } else if (kind == "eval") {
        evaluationIds_.push_back(value.getInt("id", -1));
    }
}

bool PagePeer::Request(const std::string& method, const std::string& path, const std::string& headers,
                       const std::string& body, std::string* response) {
    SOCKET s = ConnectLoopback(port_);
    if (s == INVALID_SOCKET) return false;
    const std::string request =
        method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) + "\r\n" + headers +
        "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    std::string received;
    if (SendAll(s, request)) {
        char buffer[16384];
        int n;
        while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
    }
    closesocket(s);
    const std::size_t headEnd = received.find("\r\n\r\n");
    if (headEnd == std::string::npos || received.compare(0, 10, "HTTP/1.1 2") != 0) return false;
    if (response != nullptr) *response = received.substr(headEnd + 4);
    return true;
}

bool PagePeer::Send(const std::string& json) {
    // The page posts its messages as text, which the host reads as a string.
    return Request("POST", "/__webview/message", "X-Webview-Kind: string\r\nContent-Type: text/plain\r\n",
                   json, nullptr);
}

bool PagePeer::WaitFor(const std::string& cmd, JsonValue* data, DWORD ms, int skip) {
    return PumpUntil(
        [&] {
            std::lock_guard<std::mutex> hold(lock_);
            int seen = 0;
            for (const auto& message : messages_) {
                if (message.first != cmd || seen++ < skip) continue;
                if (data != nullptr) *data = message.second;
                return true;
            }
            return false;
        },
        ms);
}

std::vector<JsonValue> PagePeer::All(const std::string& cmd) const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<JsonValue> found;
    for (const auto& message : messages_) {
        if (message.first == cmd) found.push_back(message.second);
    }
    return found;
}

std::vector<std::string> PagePeer::Evaluations() {
    std::vector<int> ids;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ids.assign(evaluationIds_.begin() + static_cast<std::ptrdiff_t>(evaluations_.size()),
                   evaluationIds_.end());
    }
    // The runtime serves an evaluation's script until its result comes.
    for (int id : ids) {
        std::string script;
        Request("GET", "/__webview/eval?id=" + std::to_string(id) + "&mode=expression", "", "", &script);
        evaluations_.push_back(ExpressionOf(script));
    }
    return evaluations_;
}
