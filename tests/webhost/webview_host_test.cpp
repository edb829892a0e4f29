// The web host against the stand-in runtime: the loader search, each start-up
// step and its failures, what reaches the runtime, late completions; then the
// page in headless Chromium: messages both ways, evaluations back to the log.
#include "webhost/webview_host.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/win_handle.h"
#include "standins/webview/standin_webview.h"
#include "support/message_pump.h"
#include "support/test_support.h"
#include "webhost/webview_loader.h"
#include "webhost/webview_text.h"

namespace {

// The host lives on a single-threaded apartment, as the program's
// user-interface thread does.
class OleApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};
::testing::Environment* const g_oleApartment = ::testing::AddGlobalTestEnvironment(new OleApartment);

// The folder that holds the stand-in's WebView2Loader.dll.
std::string StandinRuntimeFolder() {
    return JoinPath(ExeDir(), "..\\webview-standin");
}

// Sets an environment variable for the object's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(ToWide(name)) {
        SetEnvironmentVariableW(name_.c_str(), ToWide(value).c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name_.c_str(), nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::wstring name_;
};

class RecordingListener : public WebViewHost::IListener {
public:
    void onReady() override { ++ready; }
    void onMessage(const std::string& text) override { messages.push_back(text); }
    void onError(const std::string& text) override { errors.push_back(text); }
    void onRuntimeMissing() override {
        errors.push_back(std::string("runtime missing: ") + kRuntimeMissingText);
    }
    void onPageGone() override { ++gone; }
    void onProcessFailed(bool recovering) override { failures.push_back(recovering); }
    bool received(const std::string& text) const {
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }

    int ready = 0;
    int gone = 0;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::vector<bool> failures;
};

std::string Records(const LogCapture& log) {
    std::string text;
    for (const auto& record : log.records()) text += record.first + " " + record.second + "\n";
    return text;
}

// A top-level window of 800 x 600 client pixels, never shown: under Wine
// without a window manager, showing and hiding one waits for the X server
// each time.
using WindowPtr = std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)>;
WindowPtr NewHostWindow() {
    RECT rect = {0, 0, 800, 600};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    return WindowPtr(
        CreateWindowExW(0, L"STATIC", L"host test", WS_OVERLAPPEDWINDOW, 40, 40, rect.right - rect.left,
                        rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr),
        &DestroyWindow);
}

// A host in a window against the stand-in runtime and a test page in a folder
// of its own, with no browser.
class HostSteps : public ::testing::Test {
protected:
    void SetUp() override {
        // "echo" answers {"echo":data}, "text" the data itself, "object" a
        // non-string, "huge" a text of that many bytes; each load says
        // "hello". Inline scripts and connections are forbidden, as on the
        // program's page.
        static const char kPage[] =
            "<!doctype html><html><head><meta charset=\"utf-8\"><meta http-equiv=\"Content-Security-Policy\" "
            "content=\"default-src 'none'; script-src 'self'; connect-src 'none'\"><script src=\"page.js\">"
            "</script></head></html>";
        static const char kScript[] = R"(const w = window.chrome.webview;
w.addEventListener('message', (e) => {
  const m = e.data;
  if (m.cmd === 'echo') w.postMessage(JSON.stringify({ echo: m.data }));
  else if (m.cmd === 'text') w.postMessage(m.data);
  else if (m.cmd === 'object') w.postMessage({ not: 'a string' });
  else if (m.cmd === 'huge') w.postMessage('x'.repeat(m.data));
  else if (m.cmd === 'go') location.href = m.data;
  else if (m.cmd === 'open') w.postMessage(String(window.open(m.data)));
});
w.postMessage('hello');
)";
        runtime_ = LoadLibraryW(ToWide(JoinPath(StandinRuntimeFolder(), "WebView2Loader.dll")).c_str());
        ASSERT_NE(runtime_, nullptr) << StandinRuntimeFolder();
        Export<StandinResetFn>("StandinReset")();
        ASSERT_TRUE(EnsureDir(folders.file("web")));
        ASSERT_TRUE(WriteWholeFile(JoinPath(folders.file("web"), "index.html"), kPage));
        ASSERT_TRUE(WriteWholeFile(JoinPath(folders.file("web"), "page.js"), kScript));
    }
    void TearDown() override {
        host.close();
        if (runtime_ == nullptr) return;
        // The runtime lets go of its objects as its queued work drains.
        const auto live = Export<StandinLiveObjectsFn>("StandinLiveObjects");
        EXPECT_TRUE(PumpUntil([&] { return live() == 0; }, 5000)) << live();
        FreeLibrary(runtime_);
    }
    template <typename Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(runtime_, name)));
    }
    // The runtime's journal; every line ends in "\n".
    std::string Journal() const {
        const auto read = Export<StandinJournalFn>("StandinJournal");
        std::string text(static_cast<std::size_t>(read(nullptr, 0)) + 1, '\0');
        text.resize(static_cast<std::size_t>(read(&text[0], static_cast<int>(text.size()))));
        return text;
    }
    // True when a journal line starts with prefix.
    bool Journaled(const std::string& prefix) const {
        return ("\n" + Journal()).find("\n" + prefix) != std::string::npos;
    }
    bool Create() {
        return host.create(window.get(), folders.file("web"), folders.file("data\\WebView2"), &listener,
                           StandinRuntimeFolder());
    }
    bool WaitReady() {
        return PumpUntil([&] { return listener.ready > 0; }, 15000);
    }

    HMODULE runtime_ = nullptr;
    WindowPtr window = NewHostWindow();
    TempDir folders;
    LogCapture log;
    RecordingListener listener;
    WebViewLoader loader;
    WebViewHost host{loader};
    ScopedEnv noBrowser{"TAVOLIN_WEBVIEW_BROWSER", "none"};
};

struct Failure {
    const char* fail;  // the stand-in's TAVOLIN_WEBVIEW_FAIL
    bool created;
    const char* text;  // the start of the error text
};

class RuntimeFailure : public HostSteps, public ::testing::WithParamInterface<Failure> {};
class OptionalStepMissing : public HostSteps, public ::testing::WithParamInterface<const char*> {};

class PageInBrowser : public HostSteps {
protected:
    void SetUp() override {
        HostSteps::SetUp();
        ASSERT_TRUE(Create());
        ASSERT_TRUE(WaitReady());
        ASSERT_TRUE(PumpUntil([&] { return listener.received("hello"); }, 30000))
            << "the page did not load:\n"
            << Journal() << Records(log);
    }
    // Waits for the page's next message; "" when none came.
    std::string NextMessage() {
        const std::size_t before = listener.messages.size();
        if (!PumpUntil([&] { return listener.messages.size() > before; }, 10000)) return "";
        return listener.messages[before];
    }

    ScopedEnv headless{"TAVOLIN_WEBVIEW_BROWSER", "headless"};
};

// A message as the runtime hands it over, from a sender of the test's choice.
class FakeMessage : public ICoreWebView2WebMessageReceivedEventArgs {
public:
    FakeMessage(const wchar_t* source, const wchar_t* text) : source_(source), text_(text) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override { return Copy(source_, value); }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override { return Copy(text_, value); }

private:
    static HRESULT Copy(const std::wstring& text, LPWSTR* value) {
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        *value = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        std::memcpy(*value, text.c_str(), bytes);
        return S_OK;
    }
    std::wstring source_, text_;
};

// The host's start with the given loader folder must fail with text.
void ExpectStartFails(const std::string& loaderFolder, const char* text) {
    LogCapture log;
    RecordingListener listener;
    const WindowPtr window = NewHostWindow();
    WebViewLoader loader;
    WebViewHost host(loader);
    TempDir folders;
    EXPECT_FALSE(host.create(window.get(), folders.path(), folders.file("data"), &listener, loaderFolder));
    EXPECT_FALSE(host.isLoaderReady());
    EXPECT_EQ(listener.errors, std::vector<std::string>{text});
    EXPECT_EQ(log.records(), (std::vector<std::pair<std::string, std::string>>{{"ERROR", text}}));
    EXPECT_EQ(host.lastError(), text);
}

}  // namespace

TEST_P(RuntimeFailure, EndsInOneErrorAndOneOnError) {
    ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", GetParam().fail);
    EXPECT_EQ(Create(), GetParam().created);
    EXPECT_TRUE(PumpUntil([&] { return !listener.errors.empty(); }));
    PumpFor(100);
    ASSERT_EQ(listener.errors.size(), 1u);
    EXPECT_EQ(listener.errors[0].rfind(GetParam().text, 0), 0u) << listener.errors[0];
    std::vector<std::string> logged;  // the one error, logged once
    for (const auto& record : log.records()) {
        if (record.first == "ERROR") logged.push_back(record.second);
    }
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(listener.errors[0].find(logged[0]), listener.errors[0].size() - logged[0].size());
    EXPECT_EQ(host.lastError(), logged[0]);
    EXPECT_TRUE(host.isLoaderReady());
    EXPECT_EQ(listener.ready, 0);
}

INSTANTIATE_TEST_SUITE_P(EachStep, RuntimeFailure,
                         ::testing::Values(Failure{"environment-call", false, "runtime missing: "},
                                           Failure{"environment", true, "WebView2 环境初始化失败 0x"},
                                           Failure{"controller-call", true, "创建 WebView2 控制器失败 0x"},
                                           Failure{"controller", true, "WebView2 控制器初始化失败 0x"},
                                           Failure{"corewebview", true, "拿不到 CoreWebView2 接口"}));

TEST_F(HostSteps, TheControllerStepSetsUpTheViewInOrderAndNavigatesToThePageHost) {
    host.resize(RECT{10, 20, 330, 260});
    host.focus();  // no view yet: nothing to tell
    host.parentMoved();
    ASSERT_TRUE(Create());
    EXPECT_TRUE(log.has("INFO", "WebView2 环境创建中..."));
    EXPECT_TRUE(log.has("INFO", "已请求创建 WebView2 环境"));
    // Nothing arrives inside the call that asked.
    EXPECT_FALSE(log.has("INFO", "WebView2 环境就绪（浏览器进程已起来）"));
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(log.has("INFO", "WebView2 控制器就绪，开始加载界面"));
    EXPECT_TRUE(log.has("INFO", "WebView2 就绪，界面地址 https://tavolin.example/index.html"));
    const DWORD userData = GetFileAttributesW(ToWide(folders.file("data\\WebView2")).c_str());
    EXPECT_TRUE(userData != INVALID_FILE_ATTRIBUTES && (userData & FILE_ATTRIBUTE_DIRECTORY) != 0);

    // In this order, whatever comes between.
    const std::vector<std::string> want = {
        "put_IsStatusBarEnabled 0",
        "put_AreDefaultContextMenusEnabled 1",
        "put_AreDevToolsEnabled 1",
        "put_IsZoomControlEnabled 0",
        "put_IsScriptEnabled 1",
        "put_DefaultBackgroundColor 255 13 17 26",
        Format("SetVirtualHostNameToFolderMapping tavolin.example %s 1", folders.file("web").c_str()),
        "put_Bounds 10 20 330 260",
        "put_IsVisible 1",
        "Navigate https://tavolin.example/index.html"};
    const std::string journal = "\n" + Journal();
    std::size_t at = 0;
    for (const std::string& line : want) {
        at = journal.find("\n" + line + "\n", at);
        ASSERT_NE(at, std::string::npos) << line << journal;
        at += line.size() + 1;
    }

    EXPECT_FALSE(Journaled("MoveFocus"));
    EXPECT_FALSE(Journaled("NotifyParentWindowPositionChanged"));

    // Once the controller exists, a resize reaches it at once, and so does
    // the rest.
    host.resize(RECT{0, 0, 500, 400});
    EXPECT_TRUE(Journaled("put_Bounds 0 0 500 400"));
    host.openDevTools();
    host.reload();
    host.focus();
    host.parentMoved();
    EXPECT_TRUE(Journaled("OpenDevToolsWindow"));
    EXPECT_TRUE(Journaled("Reload"));
    EXPECT_TRUE(Journaled("MoveFocus 0"));
    EXPECT_TRUE(Journaled("NotifyParentWindowPositionChanged"));
}

// Without a resize the view fills the parent; the settings and the background
// colour are left out when their interfaces are missing, and the page opens
// from its file when the page host's interface is missing or its mapping fails.
TEST_P(OptionalStepMissing, LeavesItsStepOutAndThePageOpensFromItsFile) {
    const bool mapping = GetParam() == std::string("mapping");
    ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", GetParam());
    ASSERT_TRUE(Create());
    ASSERT_TRUE(WaitReady());
    const std::string address = FileUrl(folders.file("web") + "\\index.html");
    EXPECT_TRUE(log.has("INFO", "WebView2 就绪，界面地址 " + address));
    EXPECT_TRUE(Journaled("Navigate " + address));
    EXPECT_EQ(log.hasPrefix("WARN", "设置虚拟域名失败 0x"),
              mapping);  // without the interface, nothing is tried
    EXPECT_TRUE(Journaled("put_Bounds 0 0 800 600"));
    EXPECT_EQ(Journaled("put_IsScriptEnabled"), mapping);
    EXPECT_EQ(Journaled("put_DefaultBackgroundColor"), mapping);
    EXPECT_TRUE(listener.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(InterfacesOrMapping, OptionalStepMissing,
                         ::testing::Values("settings,controller3,webview3", "mapping"));

TEST_F(HostSteps, CompletionsAfterCloseChangeNothing) {
    ASSERT_TRUE(Create());
    host.close();
    PumpFor(300);
    EXPECT_FALSE(log.has("INFO", "WebView2 环境就绪（浏览器进程已起来）"));
    EXPECT_EQ(listener.ready, 0);
    EXPECT_TRUE(listener.errors.empty());
    // Closed for good.
    EXPECT_FALSE(Create());
    host.post("ping", "");
    host.eval("1", "closed");
    EXPECT_FALSE(log.hasPrefix("WARN", "EVAL closed"));
}

TEST_F(HostSteps, EvaluationsThatCannotStartAreLogged) {
    host.eval("1", "early");
    EXPECT_TRUE(log.has("WARN", "EVAL early !! WebView2 还没就绪，没法执行"));

    ASSERT_TRUE(Create());
    ASSERT_TRUE(WaitReady());
    ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", "devtools-call");
    const std::string expression(700, 'x');
    host.eval(expression, "long");
    const std::string params = EvalParameters(expression);
    EXPECT_TRUE(log.has("WARN", "EVAL long !! 发起失败 0x80004005 参数长度=" + std::to_string(params.size()) +
                                    " 内容=" + params.substr(0, 600) + "..."));
}

TEST_F(PageInBrowser, MessagesGoBothWaysAndOnlyTextReachesTheListener) {
    host.post("echo", R"({"a":[1,"中文"],"b":null})");
    EXPECT_EQ(NextMessage(), R"({"echo":{"a":[1,"中文"],"b":null}})");
    host.post("echo", "");
    EXPECT_EQ(NextMessage(), R"({"echo":null})");

    // A message that is not a string is dropped: the echo behind it comes next.
    host.post("object", "");
    host.post("echo", "1");
    EXPECT_EQ(NextMessage(), R"({"echo":1})");

    // Any text is handed on: reading it is the dispatcher's job.
    host.post("text", R"("}{ not json")");
    EXPECT_EQ(NextMessage(), "}{ not json");
    host.post("huge", "10485760");
    const std::string huge = NextMessage();
    EXPECT_EQ(huge.size(), 10485760u);
    EXPECT_EQ(huge.find_first_not_of('x'), std::string::npos);
}

// How each result reads is the result texts' table.
TEST_F(PageInBrowser, EvaluationsLogTheirValueOrExceptionAReloadLoadsAgainAndCloseEndsIt) {
    host.eval("Promise.resolve({ a: 'x\\ny', b: [true] })", "promise");
    host.eval("nosuch.member", "thrown");
    EXPECT_TRUE(
        PumpUntil([&] { return log.has("INFO", R"(EVAL promise => {"a":"x\ny","b":[true]})"); }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return log.has("WARN", "EVAL thrown !! 页面里抛异常：Uncaught"); }, 10000));

    listener.messages.clear();
    host.reload();
    EXPECT_EQ(NextMessage(), "hello");

    // Asked for, then closed before the answer: the answer changes nothing.
    host.eval("1", "late");
    host.post("echo", "2");
    host.close();
    PumpFor(1500);
    EXPECT_FALSE(log.hasPrefix("INFO", "EVAL late"));
    EXPECT_FALSE(log.hasPrefix("WARN", "EVAL late"));
    EXPECT_FALSE(listener.received(R"({"echo":2})"));
}

// The view keeps to the page: a navigation anywhere else is cancelled, a new
// window refused, and only the page's own documents reach the listener.
TEST_F(PageInBrowser, TheViewKeepsToThePagesOwnOrigin) {
    host.post("go", R"("https://evil.example/x")");
    EXPECT_TRUE(
        PumpUntil([&] { return log.has("WARN", "已拦截界面以外的导航：https://evil.example/x"); }, 10000));
    host.post("open", R"("https://evil.example/popup")");
    EXPECT_EQ(NextMessage(), "null");
    EXPECT_TRUE(log.has("WARN", "已拒绝界面打开新窗口：https://evil.example/popup"));
    host.post("echo", "1");
    EXPECT_EQ(NextMessage(), R"({"echo":1})");  // the page is still there
    const std::string journal = Journal();
    EXPECT_EQ(journal.find("navigated "), std::string::npos) << journal;
    EXPECT_EQ(journal.find("new window "), std::string::npos) << journal;

    // Whatever the message, its sender decides.
    const struct {
        const wchar_t* source;
        bool delivered;
    } senders[] = {
        {L"https://tavolin.example/index.html", true},
        {L"https://evil.example/index.html", false},
    };
    for (const auto& s : senders) {
        FakeMessage message(s.source, L"from a sender");
        listener.messages.clear();
        host.OnMessageReceived(&message);
        EXPECT_EQ(listener.received("from a sender"), s.delivered) << ToUtf8(s.source);
    }
    EXPECT_TRUE(log.has("WARN", "忽略来自界面以外的消息：https://evil.example/index.html"));
}

// The browser gone: a new environment and view, the page back; its renderer
// gone soon after: given up on, the user told, nothing reloaded.
TEST_F(PageInBrowser, AFailedProcessIsRecoveredOnceThenGivenUpOn) {
    const auto fail = Export<StandinFailProcessFn>("StandinFailProcess");
    listener.messages.clear();
    ASSERT_GE(fail(0), 1);
    EXPECT_EQ(NextMessage(), "hello");
    EXPECT_EQ(listener.ready, 2);
    EXPECT_EQ(listener.failures, std::vector<bool>{true});
    EXPECT_GE(listener.gone, 1);
    const std::string journal = "\n" + Journal();
    EXPECT_NE(journal.find("\nCreateCoreWebView2EnvironmentWithOptions "),
              journal.rfind("\nCreateCoreWebView2EnvironmentWithOptions "));

    Export<StandinResetFn>("StandinReset")();
    ASSERT_GE(fail(1), 1);
    EXPECT_TRUE(PumpUntil([&] { return listener.failures.size() == 2; }, 10000));
    EXPECT_EQ(listener.failures, (std::vector<bool>{true, false}));
    PumpFor(500);
    EXPECT_FALSE(Journaled("Reload"));
}

// A loader that cannot be found, or that lacks its entry point, stops the
// start with one error. Once the process has loaded a WebView2Loader.dll,
// the system answers every later search for that name with it, so the cases
// run in a fresh copy of this test program, the missing loader first.
TEST(WebViewLoader, AMissingLoaderOrEntryPointStopsTheStart) {
    std::wstring command =
        L"\"" + ToWide(ExePath()) + L"\" --gtest_also_run_disabled_tests --gtest_filter=LoaderAlone.*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    const UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    DWORD code = 1;
    WaitForSingleObject(process.hProcess, 60000);
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code) && code == 0) << code;
}

TEST(LoaderAlone, DISABLED_NoLoaderThenOneWithoutTheEntryPoint) {
    TempDir folder;
    ExpectStartFails(folder.path(), kLoaderMissingText);
    // Any library will do, as long as it does not export the entry point.
    std::string library;
    ASSERT_TRUE(ReadWholeFile(JoinPath(ExeDir(), "tavolin_rdp_standin.dll"), &library));
    ASSERT_TRUE(WriteWholeFile(folder.file("WebView2Loader.dll"), library));
    ExpectStartFails(folder.path(), kLoaderExportMissingText);
    // Let go again: its file is not held, and a later start searches anew.
    EXPECT_EQ(GetModuleHandleW(ToWide(folder.file("WebView2Loader.dll")).c_str()), nullptr);
}

TEST(WebViewLoader, TheLoaderFoundIsKept) {
    WebViewLoader loader;
    std::string error;
    const CreateWebViewEnvironmentFunction first = loader.Load(StandinRuntimeFolder(), &error);
    ASSERT_NE(first, nullptr) << error;
    EXPECT_EQ(loader.Load("C:\\nowhere", &error), first);  // no second search
}
