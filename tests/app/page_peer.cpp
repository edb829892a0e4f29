#include "app/page_peer.h"

#include <winsock2.h>

#include <cstdlib>

#include "app/ui_resources.h"
#include "core/file_io.h"
#include "core/text.h"
#include "standins/webview/standin_webview.h"
#include "support/message_pump.h"

namespace {

// Before any window or program of the test starts.
const bool g_noBrowser = SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"none") != FALSE;

// One request to the runtime on loopback; the response body, or false.
bool Request(int port, const std::string& head, const std::string& body, std::string* response) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    SOCKET s = started ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    if (s == INVALID_SOCKET) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string request = head + "\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body;
    std::string received;
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char buffer[16384];
        for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, n);
    }
    closesocket(s);
    const std::size_t headEnd = received.find("\r\n\r\n");
    if (headEnd == std::string::npos || received.compare(0, 10, "HTTP/1.1 2") != 0) return false;
    if (response != nullptr) *response = received.substr(headEnd + 4);
    return true;
}

template <typename Fn>
Fn RuntimeExport(const char* name) {
    const HMODULE runtime = GetModuleHandleW(kWebViewStandinDllName);
    return runtime == nullptr ? nullptr
                              : reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(runtime, name)));
}

}  // namespace

TestLocalAppData::TestLocalAppData() {
    RemoveFile(JoinPath(browserData(), "standin-page-address.txt"));
}

std::string TestLocalAppData::browserData() const {
    return BrowserDataDir();
}

bool PagePeer::Attach(const std::string& userDataFolder, DWORD ms) {
    // "http://127.0.0.1:<port>/<token>/...", as the runtime writes it.
    const std::string prefix = "http://127.0.0.1:";
    std::string address;
    return PumpUntil(
        [&] {
            if (!ReadWholeFile(JoinPath(userDataFolder, "standin-page-address.txt"), &address) ||
                address.compare(0, prefix.size(), prefix) != 0) {
                return false;
            }
            const std::size_t root = address.find('/', prefix.size());
            port_ = std::atoi(address.c_str() + prefix.size());
            root_ = root == std::string::npos ? "" : address.substr(root, address.find('/', root + 1) - root);
            return port_ > 0 && root_.size() > 1;
        },
        ms);
}

bool PagePeer::Send(const std::string& json) {
    // The page posts its messages as text, which the host reads as a string.
    return Request(
        port_,
        "POST " + root_ + "/__webview/message HTTP/1.1\r\nX-Webview-Kind: string\r\nContent-Type: text/plain",
        json, nullptr);
}

std::string PagePeer::Evaluation(int id) {
    // The script reads "...return (\n<expression>\n); });".
    std::string script;
    if (!Request(port_, Format("GET %s/__webview/eval?id=%d&mode=expression HTTP/1.1", root_.c_str(), id), "",
                 &script)) {
        return "";
    }
    const std::size_t start = script.find("return (\n");
    const std::size_t end = script.rfind("\n); });");
    return start == std::string::npos || end == std::string::npos || end < start + 9
               ? script
               : script.substr(start + 9, end - start - 9);
}

std::vector<JsonValue> Posted(const std::string& cmd) {
    const auto journal = RuntimeExport<StandinJournalFn>("StandinJournal");
    // With room for lines written meanwhile.
    std::string text(journal != nullptr ? journal(nullptr, 0) + 4096 : 0, '\0');
    if (!text.empty()) journal(&text[0], static_cast<int>(text.size()));
    text = "\n" + text.substr(0, text.find('\0'));
    // Lines "PostWebMessageAsJson <json>", the JSON cut after 200 bytes.
    const std::string prefix = "\nPostWebMessageAsJson ";
    const std::string line = prefix + "{\"cmd\":\"" + cmd + "\"";
    std::vector<JsonValue> found;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
        const std::size_t start = at + prefix.size();
        JsonValue message;
        std::string error;
        ParseJson(text.substr(start, text.find('\n', start) - start), &message, &error);
        found.push_back(message.find("data"));
    }
    return found;
}

bool WaitForPosted(const std::string& cmd, JsonValue* data, int skip, DWORD ms) {
    return PumpUntil(
        [&] {
            const std::vector<JsonValue> found = Posted(cmd);
            if (found.size() <= static_cast<std::size_t>(skip)) return false;
            if (data != nullptr) *data = found[skip];
            return true;
        },
        ms);
}

void ForgetPosted() {
    if (const auto reset = RuntimeExport<StandinResetFn>("StandinReset")) reset();
}
