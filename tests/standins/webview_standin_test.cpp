// What the stand-in browser runtime promises where the web host's tests never
// look: its loopback server keeps to the served folder and the page's own
// address, completions never arrive inside the requesting call, and its
// objects count references and answer only for their interfaces.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "standins/webview/standin_webview.h"
#include "standins/webview/webview2_abi.h"
#include "support/message_pump.h"
#include "support/test_support.h"

namespace {

typedef HRESULT(__stdcall* CreateEnvironmentFn)(PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
                                                ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);

// A completion handler owned by the test; it counts calls and references.
template <typename I, const IID* iid, typename A, typename B>
class Recorder final : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID wanted, void** object) override {
        *object = wanted == IID_IUnknown || wanted == *iid ? this : nullptr;
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE Invoke(A a, B b) override {
        ++calls;
        if (then) then(a, b);
        return S_OK;
    }
    ULONG refs = 1;
    int calls = 0;
    std::function<void(A, B)> then;
};
using EnvDone = Recorder<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                         &kIidEnvironmentCompleted, HRESULT, ICoreWebView2Environment*>;
using CtrlDone = Recorder<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, &kIidControllerCompleted,
                          HRESULT, ICoreWebView2Controller*>;
using EvalDone = Recorder<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler, &kIidDevToolsCompleted,
                          HRESULT, LPCWSTR>;

// Sends one raw request to the loopback server; the whole answer.
std::string Exchange(unsigned short port, const std::string& request) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    std::string answer;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char chunk[4096];
        for (int got; (got = recv(s, chunk, sizeof chunk, 0)) > 0;) answer.append(chunk, got);
    }
    closesocket(s);
    return answer;
}

// Dispatches until every message posted before has been handled: a timer's
// message comes only once no posted message is waiting.
void PumpQueued() {
    static bool fired;
    fired = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR, DWORD) { fired = true; });
    PumpUntil([] { return fired; });
    KillTimer(nullptr, timer);
}

class WebViewStandin : public ::testing::Test {
protected:
    void SetUp() override {
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
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                  nullptr, nullptr);
        envDone_.then = [this](HRESULT, ICoreWebView2Environment* e) { (env_ = e)->AddRef(); };
        ctrlDone_.then = [this](HRESULT, ICoreWebView2Controller* c) { (controller_ = c)->AddRef(); };
    }
    void TearDown() override {
        if (webview_ != nullptr) webview_->Release();
        if (env_ != nullptr) env_->Release();
        if (controller_ != nullptr) controller_->Close(), controller_->Release();
        PumpFor(100);
        EXPECT_TRUE(live_ == nullptr || live_() == 0) << "objects left alive or released once too often";
        DestroyWindow(window_);
        CoUninitialize();
        WSACleanup();
    }
    // Environment, controller and webview, the site mapped and navigated to;
    // port_ and root_ ("/<token>") name the page's loopback server.
    void Open() {
        EXPECT_EQ(create_(nullptr, ToWide(data_.file("user")).c_str(), nullptr, &envDone_), S_OK);
        EXPECT_EQ(envDone_.calls, 0) << "completed inside the call";
        EXPECT_TRUE(PumpUntil([&] { return env_ != nullptr; }));
        EXPECT_EQ(env_->CreateCoreWebView2Controller(window_, &ctrlDone_), S_OK);
        EXPECT_EQ(ctrlDone_.calls, 0) << "completed inside the call";
        EXPECT_TRUE(PumpUntil([&] { return controller_ != nullptr; }));
        ICoreWebView2* webview = nullptr;
        controller_->get_CoreWebView2(&webview);
        webview->QueryInterface(kIidWebView3, reinterpret_cast<void**>(&webview_));
        webview->Release();
        CreateDirectoryW(ToWide(data_.file("site")).c_str(), nullptr);
        std::ofstream(data_.file("secret.txt")) << "top secret";
        std::ofstream(data_.file("site\\index.html"))
            << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head></html>";
        EXPECT_EQ(webview_->SetVirtualHostNameToFolderMapping(L"app.test", ToWide(data_.file("site")).c_str(),
                                                              COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW),
                  S_OK);
        EXPECT_EQ(webview_->Navigate(L"https://app.test/index.html"), S_OK);
        // "http://127.0.0.1:<port>/<token>/index.html"
        std::string address;
        EXPECT_TRUE(PumpUntil([&] { return !(address = ReadRawFile(AddressFile())).empty(); }));
        const size_t portAt = address.find(':', 5) + 1, rootAt = address.find('/', portAt);
        port_ = static_cast<unsigned short>(std::stoi(address.substr(portAt)));
        root_ = address.substr(rootAt, address.find('/', rootAt + 1) - rootAt);
    }
    std::string AddressFile() const { return data_.file("user\\standin-page-address.txt"); }
    // One request on the page's server: the whole answer.
    std::string Request(const std::string& method, const std::string& target, const std::string& body = "",
                        const std::string& headers = "") {
        return Exchange(port_, method + " " + target +
                                   " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                   "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + headers +
                                   "\r\n" + body);
    }

    TempDir data_;
    HMODULE module_ = nullptr;
    CreateEnvironmentFn create_ = nullptr;
    StandinLiveObjectsFn live_ = nullptr;
    HWND window_ = nullptr;
    EnvDone envDone_;
    CtrlDone ctrlDone_;
    ICoreWebView2Environment* env_ = nullptr;
    ICoreWebView2Controller* controller_ = nullptr;
    ICoreWebView2_3* webview_ = nullptr;
    unsigned short port_ = 0;
    std::string root_;
};

TEST_F(WebViewStandin, ServesOnlyTheFolderAndOnlyAtItsOwnAddressWithItsToken) {
    Open();
    const std::string host = "Host: 127.0.0.1:" + std::to_string(port_) + "\r\n";
    std::string absolute = data_.file("secret.txt");
    for (char& c : absolute) c = c == '\\' ? '/' : c;
    std::string otherToken = root_;
    otherToken.back() = otherToken.back() == '0' ? '1' : '0';
    std::string upperToken = root_;
    for (char& c : upperToken) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    const std::string outside[] = {root_ + "/../secret.txt",
                                   root_ + "/%2e%2e/secret.txt",
                                   root_ + "/%2E%2E/secret.txt",
                                   root_ + "/..%2Fsecret.txt",
                                   root_ + "/..%5csecret.txt",
                                   root_ + "/..\\secret.txt",
                                   root_ + "/" + absolute,
                                   absolute,
                                   "//" + absolute.substr(3),
                                   "/index.html",
                                   "/__webview/bridge.js",
                                   otherToken + "/index.html",
                                   upperToken + "/index.html",
                                   root_ + "index.html",
                                   root_};
    const std::string foreignHosts[] = {"Host: localhost:" + std::to_string(port_) + "\r\n",
                                        "Host: app.test\r\n", ""};
    std::vector<std::pair<std::string, std::string>> refused;
    for (const std::string& target : outside) refused.emplace_back(target, host);
    for (const std::string& other : foreignHosts) refused.emplace_back(root_ + "/index.html", other);
    for (const auto& [target, hostLine] : refused) {
        const std::string answer = Exchange(port_, "GET " + target + " HTTP/1.1\r\n" + hostLine + "\r\n");
        EXPECT_TRUE(answer.rfind("HTTP/1.1 403 ", 0) == 0 || answer.rfind("HTTP/1.1 404 ", 0) == 0)
            << target << " " << hostLine << "\n"
            << answer;
        EXPECT_EQ(answer.find("top secret"), std::string::npos) << target;
    }
    const std::string page = Request("GET", root_ + "/index.html");
    EXPECT_EQ(page.rfind("HTTP/1.1 200 ", 0), 0u) << page;
    EXPECT_NE(page.find("Content-Type: text/html; charset=utf-8\r\n"), std::string::npos);
    EXPECT_NE(page.find("Cache-Control: no-store\r\n"), std::string::npos);  // the bridge is the page tests'
    EXPECT_EQ(Request("GET", root_ + "/__webview/bridge.js").rfind("HTTP/1.1 200 ", 0), 0u);
}

TEST_F(WebViewStandin, CompletionsArriveLaterThroughTheQueueEvenAfterEverythingWasReleased) {
    Open();
    EvalDone evalDone;
    EXPECT_EQ(webview_->CallDevToolsProtocolMethod(L"Browser.getVersion", L"{}", &evalDone), S_OK);
    EXPECT_EQ(evalDone.calls, 0) << "completed inside the call";
    EXPECT_EQ(webview_->CallDevToolsProtocolMethod(L"Runtime.evaluate", L"[1]", &evalDone), E_INVALIDARG);
    HRESULT evalResult = S_OK;
    evalDone.then = [&](HRESULT hr, LPCWSTR) { evalResult = hr; };
    ASSERT_TRUE(PumpUntil([&] { return evalDone.calls == 1; }));
    EXPECT_EQ(evalResult, E_NOTIMPL);

    CtrlDone late;
    ASSERT_EQ(env_->CreateCoreWebView2Controller(window_, &late), S_OK);
    EXPECT_EQ(late.calls, 0) << "completed inside the call";
    env_->Release(), env_ = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return late.calls == 1; })) << "a released environment still completes";
    EXPECT_EQ(late.refs, 1u) << "the handler's reference is given back once it was called";
    EXPECT_EQ(evalDone.refs, 1u);
}

TEST_F(WebViewStandin, CallbacksRunOneAfterTheOtherEvenWhenOnePumpsMessages) {
    Open();
    EvalDone first, second;
    bool secondInsideFirst = true;
    // A handler that shows a message box: its modal loop pumps the queue.
    first.then = [&](HRESULT, LPCWSTR) {
        PumpQueued();
        secondInsideFirst = second.calls != 0;
    };
    ASSERT_EQ(webview_->CallDevToolsProtocolMethod(L"Browser.getVersion", L"{}", &first), S_OK);
    ASSERT_EQ(webview_->CallDevToolsProtocolMethod(L"Browser.getVersion", L"{}", &second), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return second.calls == 1; }));
    EXPECT_EQ(first.calls, 1);
    EXPECT_FALSE(secondInsideFirst);
}

TEST_F(WebViewStandin, EnvironmentCreationTakesTheSetDelayWithoutHoldingTheThread) {
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_CREATE_DELAY_MS", L"400");
    const DWORD start = GetTickCount();
    ASSERT_EQ(create_(nullptr, ToWide(data_.file("user")).c_str(), nullptr, &envDone_), S_OK);
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_CREATE_DELAY_MS", nullptr);  // read at the call
    EXPECT_LT(GetTickCount() - start, 100u);
    PumpQueued();
    EXPECT_EQ(envDone_.calls, 0) << "the thread's messages are handled while the browser starts";
    ASSERT_TRUE(PumpUntil([&] { return env_ != nullptr; }));
    EXPECT_GE(GetTickCount() - start, 380u);  // the tick count moves in steps of up to 16 ms
}

TEST_F(WebViewStandin, ExportFailsAsTheLoaderDoesWhenNoRuntimeIsInstalled) {
    for (const wchar_t* failure : {L"environment-call", L"no-runtime"}) {
        SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_FAIL", failure);
        EXPECT_EQ(create_(nullptr, ToWide(data_.file("user")).c_str(), nullptr, &envDone_),
                  HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
            << ToUtf8(failure);
    }
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_FAIL", nullptr);
    PumpQueued();
    EXPECT_EQ(envDone_.calls, 0);
}

TEST_F(WebViewStandin, ObjectsCountReferencesAndAnswerOnlyForTheirInterfaces) {
    Open();
    ICoreWebView2Settings* settings = nullptr;
    ASSERT_EQ(webview_->get_Settings(&settings), S_OK);
    const std::pair<IUnknown*, std::vector<IID>> cases[] = {
        {env_, {kIidEnvironment}},
        {controller_, {kIidController, kIidController2, kIidController3}},
        {settings, {kIidSettings}},
        {webview_, {kIidWebView, kIidWebView2, kIidWebView3}},
    };
    for (const auto& [object, iids] : cases) {
        void* out = &out;
        EXPECT_EQ(object->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(object->QueryInterface(kIidWebMessageArgs, &out), E_NOINTERFACE);
        EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        for (const IID& iid : iids) {
            ASSERT_EQ(object->QueryInterface(iid, &out), S_OK);
            static_cast<IUnknown*>(out)->Release();
        }
        const ULONG before = object->AddRef();
        EXPECT_EQ(object->Release(), before - 1);
    }
    settings->Release();
}

}  // namespace
