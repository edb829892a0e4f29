// What the stand-in browser runtime's tests share: the loader loaded from its
// own folder, handlers that record their calls, the page's loopback server,
// and, for tests with a real browser, Chromium's DevTools protocol for what
// only a user gives (key presses, clicks and drops the page sees as trusted).
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
#include <winsock2.h>

#include <deque>
#include <functional>
#include <string>

#include "core/json.h"
#include "standins/webview/standin_webview.h"
#include "standins/webview/webview2_abi.h"
#include "support/test_support.h"

typedef HRESULT(__stdcall* CreateEnvironmentFn)(PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
                                                ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);

// A handler owned by the test; it counts calls and references.
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
using MessageSeen = Recorder<ICoreWebView2WebMessageReceivedEventHandler, &kIidWebMessageReceived,
                             ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*>;
using NavigationSeen = Recorder<ICoreWebView2NavigationStartingEventHandler, &kIidNavigationStarting,
                                ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*>;
using NewWindowSeen = Recorder<ICoreWebView2NewWindowRequestedEventHandler, &kIidNewWindowRequested,
                               ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs*>;
using FailureSeen = Recorder<ICoreWebView2ProcessFailedEventHandler, &kIidProcessFailed, ICoreWebView2*,
                             ICoreWebView2ProcessFailedEventArgs*>;

// Sends one raw request to a loopback server; the whole answer.
std::string Exchange(unsigned short port, const std::string& request);

// Dispatches until every message posted before has been handled: a timer's
// message comes only once no posted message is waiting.
void PumpQueued();

// The string a getter put into *text, which it frees; "" for a failure.
// Given the address: the getter must have run before it is read.
std::string Taken(HRESULT result, LPWSTR* text);

// Chromium's DevTools protocol on the page of one browser.
class DevTools {
public:
    DevTools() = default;
    ~DevTools();
    DevTools(const DevTools&) = delete;
    DevTools& operator=(const DevTools&) = delete;

    // Attaches to the page of the browser whose profile folder this is.
    bool Attach(const std::string& profile);
    // One command; the "result" of its answer (null when none came).
    JsonValue Call(const std::string& method, const std::string& params = "{}");
    // Waits for an event of this method whose parameters mention text.
    bool WaitForEvent(const std::string& method, const std::string& text);

    // The centre of the element the selector finds, in the page's pixels.
    POINT CentreOf(const std::string& selector);
    // A press and release of the left button there.
    void Click(POINT at);
    // A key that types its character.
    void Type(char key);
    // A file from the file manager, dragged over and dropped there.
    void DropFile(POINT at, const std::string& unixPath);

private:
    void Send(const std::string& text);
    bool Receive(JsonValue* message);
    bool Fill(size_t bytes);

    SOCKET socket_ = INVALID_SOCKET;
    std::string buffer_;
    std::deque<JsonValue> events_;
    int next_ = 1;
};

// A Windows path as Linux programs (Chromium) name it; "" outside Wine.
std::string UnixPath(const std::string& windowsPath);

constexpr char kEmptyPage[] = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head></html>";

class WebViewStandin : public ::testing::Test {
protected:
    // Closes everything as the test's scope ends, before the handlers the
    // test declared earlier go, so the webview never calls one that is gone
    // (a failed assertion leaves the test early).
    class Closing {
    public:
        explicit Closing(WebViewStandin* fixture) : fixture_(fixture) {}
        ~Closing() { fixture_->Close(); }
        Closing(const Closing&) = delete;
        Closing& operator=(const Closing&) = delete;

    private:
        WebViewStandin* fixture_;
    };

    void SetUp() override;
    void TearDown() override;

    // Create, then Show.
    void Open();
    // Environment, controller and webview.
    void Create();
    // A site whose index.html holds page mapped to app.test and navigated
    // to; port_ and root_ ("/<token>") name the page's loopback server once
    // it is shown.
    void Show(const std::string& page = kEmptyPage);
    // Closes and releases everything Open made.
    void Close();
    std::string AddressFile() const { return data_.file("user\\standin-page-address.txt"); }
    // One request on the page's server: the whole answer.
    std::string Request(const std::string& method, const std::string& target, const std::string& body = "",
                        const std::string& headers = "");
    // A page message posted as the bridge posts it; true when it was taken.
    bool PostFromPage(const std::string& text);
    // The value (as JSON) of an expression evaluated in the page through the
    // webview; "" when it failed or no answer came in ms.
    std::string Evaluate(const std::string& expression, DWORD ms = 10000);
    std::string Journal() const;
    bool Journaled(const std::string& line) const;

    TempDir data_;
    HMODULE module_ = nullptr;
    CreateEnvironmentFn create_ = nullptr;
    StandinLiveObjectsFn live_ = nullptr;
    StandinFailProcessFn failProcess_ = nullptr;
    HWND window_ = nullptr;
    EnvDone envDone_;
    CtrlDone ctrlDone_;
    ICoreWebView2Environment* env_ = nullptr;
    ICoreWebView2Controller* controller_ = nullptr;
    ICoreWebView2_3* webview_ = nullptr;
    unsigned short port_ = 0;
    std::string root_;
};
