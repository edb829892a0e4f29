#include "standins/webview_standin_fixture.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>

#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "support/message_pump.h"

namespace {

// Long enough for a browser under Wine, short enough to end a stuck test.
constexpr DWORD kSocketWaitMs = 20000;

SOCKET ConnectLoopback(unsigned short port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const DWORD wait = kSocketWaitMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

void* WineExport(const wchar_t* module, const char* name) {
    const HMODULE handle = GetModuleHandleW(module);
    return handle == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(handle, name));
}

// The body of a GET from a server that keeps its connections open (it says
// how long the body is): "" when none came.
std::string GetBody(unsigned short port, const std::string& path) {
    const SOCKET s = ConnectLoopback(port);
    if (s == INVALID_SOCKET) return std::string();
    const std::string request =
        "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    std::string answer;
    size_t head = std::string::npos, length = 0;
    if (send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char chunk[4096];
        for (int got; (head == std::string::npos || answer.size() < head + length) &&
                      (got = recv(s, chunk, sizeof chunk, 0)) > 0;) {
            answer.append(chunk, got);
            if (head != std::string::npos || (head = answer.find("\r\n\r\n")) == std::string::npos) continue;
            head += 4;
            const size_t at = answer.find("Content-Length:");
            length = at < head ? static_cast<size_t>(std::atoll(answer.c_str() + at + 15)) : 0;
        }
    }
    closesocket(s);
    return head == std::string::npos || answer.size() < head + length ? std::string() : answer.substr(head);
}

}  // namespace

std::string Exchange(unsigned short port, const std::string& request) {
    const SOCKET s = ConnectLoopback(port);
    std::string answer;
    if (s != INVALID_SOCKET &&
        send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char chunk[4096];
        for (int got; (got = recv(s, chunk, sizeof chunk, 0)) > 0;) answer.append(chunk, got);
    }
    if (s != INVALID_SOCKET) closesocket(s);
    return answer;
}

void PumpQueued() {
    static bool fired;
    fired = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR, DWORD) { fired = true; });
    PumpUntil([] { return fired; });
    KillTimer(nullptr, timer);
}

std::string Taken(HRESULT result, LPWSTR* text) {
    const std::string out = SUCCEEDED(result) && *text != nullptr ? ToUtf8(*text) : std::string();
    CoTaskMemFree(*text);
    *text = nullptr;
    return out;
}

std::string UnixPath(const std::string& windowsPath) {
    typedef char*(__cdecl * UnixNameFn)(const WCHAR*);
    const auto convert = reinterpret_cast<UnixNameFn>(WineExport(L"kernel32.dll", "wine_get_unix_file_name"));
    char* unix = convert == nullptr ? nullptr : convert(ToWide(windowsPath).c_str());
    const std::string path = unix == nullptr ? std::string() : unix;
    if (unix != nullptr) HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

DevTools::~DevTools() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool DevTools::Attach(const std::string& profile) {
    const int port = std::atoi(ReadRawFile(JoinPath(profile, "DevToolsActivePort")).c_str());
    if (port <= 0) return false;
    const std::string host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    JsonValue targets;
    std::string error;
    if (!ParseJson(GetBody(static_cast<unsigned short>(port), "/json/list"), &targets, &error)) return false;
    std::string url;  // "ws://127.0.0.1:<port>/devtools/page/<id>"
    for (size_t i = 0; i < targets.size() && url.empty(); ++i) {
        if (targets.at(i).getString("type", "") == "page") {
            url = targets.at(i).getString("webSocketDebuggerUrl", "");
        }
    }
    if (url.empty()) return false;
    socket_ = ConnectLoopback(static_cast<unsigned short>(port));
    const std::string upgrade =
        "GET " + url.substr(url.find('/', strlen("ws://"))) + " HTTP/1.1\r\n" + host +
        "Upgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    if (socket_ == INVALID_SOCKET ||
        send(socket_, upgrade.data(), static_cast<int>(upgrade.size()), 0) <= 0) {
        return false;
    }
    while (buffer_.find("\r\n\r\n") == std::string::npos) {
        if (!Fill(buffer_.size() + 1)) return false;
    }
    const bool switched = buffer_.compare(0, 12, "HTTP/1.1 101") == 0;
    buffer_.erase(0, buffer_.find("\r\n\r\n") + 4);
    return switched;
}

// One masked text frame, as a client sends them.
void DevTools::Send(const std::string& text) {
    if (socket_ == INVALID_SOCKET || text.empty()) return;
    std::string frame(1, '\x81');
    if (text.size() < 126) {
        frame += static_cast<char>(0x80 | text.size());
    } else {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(text.size() >> 8);
        frame += static_cast<char>(text.size() & 0xFF);
    }
    const char mask[4] = {0x12, 0x34, 0x56, 0x78};
    frame.append(mask, 4);
    for (size_t i = 0; i < text.size(); ++i) frame += static_cast<char>(text[i] ^ mask[i % 4]);
    send(socket_, frame.data(), static_cast<int>(frame.size()), 0);
}

// Dispatches this thread's messages while it waits: what the browser is
// waiting for may be a task of the stand-in's in this thread's queue.
bool DevTools::Fill(size_t bytes) {
    char chunk[65536];
    const auto readable = [this] {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        timeval now = {0, 0};
        return select(0, &set, nullptr, nullptr, &now) != 0;
    };
    while (buffer_.size() < bytes) {
        if (!PumpUntil(readable, kSocketWaitMs)) return false;
        const int got = recv(socket_, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        buffer_.append(chunk, got);
    }
    return true;
}

// One text frame from the browser (never masked, never fragmented).
bool DevTools::Receive(JsonValue* message) {
    if (!Fill(2)) return false;
    size_t length = static_cast<unsigned char>(buffer_[1]) & 0x7F, header = 2;
    if (length >= 126) {
        header = length == 126 ? 4 : 10;
        if (!Fill(header)) return false;
        length = 0;
        for (size_t i = 2; i < header; ++i) length = length << 8 | static_cast<unsigned char>(buffer_[i]);
    }
    if (!Fill(header + length)) return false;
    std::string error;
    const bool parsed = ParseJson(buffer_.substr(header, length), message, &error);
    buffer_.erase(0, header + length);
    return parsed;
}

JsonValue DevTools::Call(const std::string& method, const std::string& params) {
    const int id = next_++;
    Send("{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params + "}");
    for (JsonValue message; Receive(&message);) {
        if (message.getInt("id", 0) == id) return message.find("result");
        if (message.contains("method")) events_.push_back(message);
    }
    return JsonValue();
}

bool DevTools::WaitForEvent(const std::string& method, const std::string& text) {
    const auto matches = [&](const JsonValue& event) {
        return event.getString("method", "") == method &&
               ToJson(event.find("params"), 0).find(text) != std::string::npos;
    };
    for (; !events_.empty(); events_.pop_front()) {
        if (matches(events_.front())) return events_.pop_front(), true;
    }
    for (JsonValue message; Receive(&message);) {
        if (matches(message)) return true;
    }
    return false;
}

POINT DevTools::CentreOf(const std::string& selector) {
    const JsonValue found = Call(
        "Runtime.evaluate", "{\"returnByValue\":true,\"expression\":" +
                                ToJson(JsonValue("(() => { const r = document.querySelector('" + selector +
                                                 "').getBoundingClientRect(); return [r.x + r.width / 2, "
                                                 "r.y + r.height / 2]; })()"),
                                       0) +
                                "}");
    const JsonValue& value = found.find("result").find("value");
    return POINT{static_cast<LONG>(value.at(0).asNumber(0)), static_cast<LONG>(value.at(1).asNumber(0))};
}

void DevTools::Click(POINT at) {
    for (const char* type : {"mousePressed", "mouseReleased"}) {
        Call("Input.dispatchMouseEvent",
             "{\"type\":\"" + std::string(type) + "\",\"x\":" + std::to_string(at.x) +
                 ",\"y\":" + std::to_string(at.y) + ",\"button\":\"left\",\"clickCount\":1}");
    }
}

void DevTools::Type(char key) {
    const std::string text(1, key);
    Call("Input.dispatchKeyEvent",
         "{\"type\":\"keyDown\",\"key\":\"" + text + "\",\"text\":\"" + text + "\"}");
    Call("Input.dispatchKeyEvent", "{\"type\":\"keyUp\",\"key\":\"" + text + "\"}");
}

void DevTools::DropFile(POINT at, const std::string& unixPath) {
    const std::string data =
        "{\"items\":[],\"files\":[" + ToJson(JsonValue(unixPath), 0) + "],\"dragOperationsMask\":1}";
    for (const char* type : {"dragEnter", "dragOver", "drop"}) {
        Call("Input.dispatchDragEvent", "{\"type\":\"" + std::string(type) +
                                            "\",\"x\":" + std::to_string(at.x) +
                                            ",\"y\":" + std::to_string(at.y) + ",\"data\":" + data + "}");
    }
}

void WebViewStandin::SetUp() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"none");
    std::string folder = JoinPath(ExeDir(), WEBVIEW_STANDIN_RELATIVE_DIR);
    std::replace(folder.begin(), folder.end(), '/', '\\');
    module_ = LoadLibraryW((ToWide(folder) + L"\\" + kWebViewStandinDllName).c_str());
    ASSERT_NE(module_, nullptr);
    const auto find = [&](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    };
    create_ = reinterpret_cast<CreateEnvironmentFn>(find("CreateCoreWebView2EnvironmentWithOptions"));
    live_ = reinterpret_cast<StandinLiveObjectsFn>(find("StandinLiveObjects"));
    failProcess_ = reinterpret_cast<StandinFailProcessFn>(find("StandinFailProcess"));
    // Each test reads the journal of its own calls.
    if (const auto reset = reinterpret_cast<StandinResetFn>(find("StandinReset"))) reset();
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                              nullptr, nullptr);
    envDone_.then = [this](HRESULT, ICoreWebView2Environment* e) {
        if (e != nullptr) (env_ = e)->AddRef();
    };
    ctrlDone_.then = [this](HRESULT, ICoreWebView2Controller* c) {
        if (c != nullptr) (controller_ = c)->AddRef();
    };
}

void WebViewStandin::TearDown() {
    Close();
    PumpFor(100);
    EXPECT_TRUE(live_ == nullptr || live_() == 0) << "objects left alive or released once too often";
    DestroyWindow(window_);
    CoUninitialize();
    WSACleanup();
}

void WebViewStandin::Open() {
    Create();
    if (!HasFatalFailure()) Show();
}

void WebViewStandin::Create() {
    const int environments = envDone_.calls, controllers = ctrlDone_.calls;
    EXPECT_EQ(create_(nullptr, ToWide(data_.file("user")).c_str(), nullptr, &envDone_), S_OK);
    EXPECT_EQ(envDone_.calls, environments) << "completed inside the call";
    ASSERT_TRUE(PumpUntil([&] { return env_ != nullptr; }));
    EXPECT_EQ(env_->CreateCoreWebView2Controller(window_, &ctrlDone_), S_OK);
    EXPECT_EQ(ctrlDone_.calls, controllers) << "completed inside the call";
    ASSERT_TRUE(PumpUntil([&] { return controller_ != nullptr; }));
    ICoreWebView2* webview = nullptr;
    ASSERT_EQ(controller_->get_CoreWebView2(&webview), S_OK);
    webview->QueryInterface(kIidWebView3, reinterpret_cast<void**>(&webview_));
    webview->Release();
}

void WebViewStandin::Show(const std::string& page) {
    CreateDirectoryW(ToWide(data_.file("site")).c_str(), nullptr);
    std::ofstream(data_.file("secret.txt")) << "top secret";
    std::ofstream(data_.file("site\\index.html")) << page;
    EXPECT_EQ(webview_->SetVirtualHostNameToFolderMapping(L"app.test", ToWide(data_.file("site")).c_str(),
                                                          COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW),
              S_OK);
    DeleteFileW(ToWide(AddressFile()).c_str());
    EXPECT_EQ(webview_->Navigate(L"https://app.test/index.html"), S_OK);
    // "http://127.0.0.1:<port>/<token>/index.html", once NavigationStarting passed
    std::string address;
    ASSERT_TRUE(PumpUntil([&] { return !(address = ReadRawFile(AddressFile())).empty(); }));
    const size_t portAt = address.find(':', 5) + 1, rootAt = address.find('/', portAt);
    port_ = static_cast<unsigned short>(std::stoi(address.substr(portAt)));
    root_ = address.substr(rootAt, address.find('/', rootAt + 1) - rootAt);
}

void WebViewStandin::Close() {
    if (webview_ != nullptr) webview_->Release(), webview_ = nullptr;
    if (env_ != nullptr) env_->Release(), env_ = nullptr;
    if (controller_ != nullptr) controller_->Close(), controller_->Release(), controller_ = nullptr;
}

std::string WebViewStandin::Request(const std::string& method, const std::string& target,
                                    const std::string& body, const std::string& headers) {
    return Exchange(port_, method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                               "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + headers +
                               "\r\n" + body);
}

bool WebViewStandin::PostFromPage(const std::string& text) {
    const std::string answer =
        Request("POST", root_ + "/__webview/message", text, "X-Webview-Kind: string\r\n");
    return answer.rfind("HTTP/1.1 204 ", 0) == 0;
}

std::string WebViewStandin::Evaluate(const std::string& expression, DWORD ms) {
    // Owned by the stand-in once handed over: it may answer after the test gave up.
    struct Answer {
        EvalDone done;
        HRESULT result = E_PENDING;
        std::string json;
    };
    auto* answer = new Answer();
    answer->done.then = [answer](HRESULT result, LPCWSTR json) {
        answer->result = result;
        answer->json = json == nullptr ? "" : ToUtf8(json);
    };
    const std::string params =
        "{\"returnByValue\":true,\"expression\":" + ToJson(JsonValue(expression), 0) + "}";
    if (FAILED(webview_->CallDevToolsProtocolMethod(L"Runtime.evaluate", ToWide(params).c_str(),
                                                    &answer->done)) ||
        !PumpUntil([&] { return answer->done.calls != 0; }, ms)) {
        return "";  // the answer is left to the stand-in
    }
    JsonValue parsed;
    std::string error;
    const bool ok = SUCCEEDED(answer->result) && ParseJson(answer->json, &parsed, &error);
    delete answer;
    return ok ? ToJson(parsed.find("result").find("value"), 0) : "";
}

std::string WebViewStandin::Journal() const {
    const auto read = reinterpret_cast<StandinJournalFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "StandinJournal")));
    std::string text(static_cast<size_t>(read(nullptr, 0)) + 4096, '\0');
    text.resize(static_cast<size_t>(read(&text[0], static_cast<int>(text.size()))));
    return text;
}

bool WebViewStandin::Journaled(const std::string& line) const {
    return ("\n" + Journal()).find("\n" + line + "\n") != std::string::npos;
}
