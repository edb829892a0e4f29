// The web host against the stand-in runtime: the loader search, each start-up
// step and its failures, what reaches the runtime, late completions; then the
// page in headless Chromium: messages both ways, evaluations back to the log.
#include <gtest/gtest.h>

#include "core/win_handle.h"
#include "webhost/webview_test_support.h"
#include "webhost/webview_text.h"

namespace {

class HostSteps : public HostFixture {
protected:
    ScopedEnv noBrowser{"TAVOLIN_WEBVIEW_BROWSER", "none"};
};

struct Failure {
    const char* fail;  // the stand-in's TAVOLIN_WEBVIEW_FAIL
    bool created;
    const char* text;  // the start of the error text
};

class RuntimeFailure : public HostSteps, public ::testing::WithParamInterface<Failure> {};

class PageInBrowser : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        ASSERT_TRUE(Create());
        ASSERT_TRUE(WaitReady());
        ASSERT_TRUE(PumpUntil([&] { return listener.received("hello"); }, 30000)) << "the page did not load";
    }
    // Waits for the page's next message; "" when none came.
    std::string NextMessage() {
        const std::size_t before = listener.messages.size();
        if (!PumpUntil([&] { return listener.messages.size() > before; }, 10000)) return "";
        return listener.messages[before];
    }

    ScopedEnv headless{"TAVOLIN_WEBVIEW_BROWSER", "headless"};
};

// Runs one disabled test of this program in a process of its own; its exit
// code (0 when it passed).
DWORD RunAlone(const std::string& test) {
    std::wstring command =
        L"\"" + ToWide(ExePath()) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + ToWide(test);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return GetLastError();
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

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
    ASSERT_EQ(listener.errors.size(), 1u);
    EXPECT_EQ(listener.errors[0], text);
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
    EXPECT_EQ(logged, listener.errors);
    EXPECT_EQ(host.lastError(), listener.errors[0]);
    EXPECT_TRUE(host.isLoaderReady());
    EXPECT_EQ(listener.ready, 0);
}

INSTANTIATE_TEST_SUITE_P(EachStep, RuntimeFailure,
                         ::testing::Values(Failure{"environment-call", false, "创建 WebView2 环境失败 0x"},
                                           Failure{"environment", true, "WebView2 环境初始化失败 0x"},
                                           Failure{"controller-call", true, "创建 WebView2 控制器失败 0x"},
                                           Failure{"controller", true, "WebView2 控制器初始化失败 0x"},
                                           Failure{"corewebview", true, "拿不到 CoreWebView2 接口"}));

TEST_F(HostSteps, TheControllerStepSetsUpTheViewInOrderAndNavigatesToThePageHost) {
    host.resize(RECT{10, 20, 330, 260});
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

    // Once the controller exists, a resize reaches it at once.
    host.resize(RECT{0, 0, 500, 400});
    EXPECT_TRUE(Journaled("put_Bounds 0 0 500 400"));
    host.openDevTools();
    host.reload();
    EXPECT_TRUE(Journaled("OpenDevToolsWindow"));
    EXPECT_TRUE(Journaled("Reload"));
}

// Without a resize the view fills the parent; the settings, the background
// colour and the page host are left out when their interfaces are missing.
TEST_F(HostSteps, MissingOptionalInterfacesLeaveTheirStepOut) {
    ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", "settings,controller3,webview3");
    ASSERT_TRUE(Create());
    ASSERT_TRUE(WaitReady());
    EXPECT_TRUE(Journaled("put_Bounds 0 0 800 600"));
    EXPECT_FALSE(Journaled("put_IsScriptEnabled"));
    EXPECT_FALSE(Journaled("put_DefaultBackgroundColor"));
    EXPECT_TRUE(Journaled("Navigate " + FileUrl(folders.file("web") + "\\index.html")));
    EXPECT_FALSE(log.hasPrefix("WARN", "设置虚拟域名失败 0x"));  // nothing was tried
    EXPECT_TRUE(listener.errors.empty());
}

TEST_F(HostSteps, AFailedFolderMappingOpensThePageFromItsFile) {
    ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", "mapping");
    ASSERT_TRUE(Create());
    ASSERT_TRUE(WaitReady());
    const std::string address = FileUrl(folders.file("web") + "\\index.html");
    EXPECT_TRUE(log.has("INFO", "WebView2 就绪，界面地址 " + address));
    EXPECT_TRUE(log.hasPrefix("WARN", "设置虚拟域名失败 0x"));
    EXPECT_TRUE(Journaled("Navigate " + address));
}

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

TEST_F(PageInBrowser, EvaluationsLogTheirValueOrTheirException) {
    // How each result reads is the result texts' table.
    host.eval("Promise.resolve({ a: 'x\\ny', b: [true] })", "promise");
    host.eval("nosuch.member", "thrown");
    EXPECT_TRUE(
        PumpUntil([&] { return log.has("INFO", R"(EVAL promise => {"a":"x\ny","b":[true]})"); }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return log.has("WARN", "EVAL thrown !! 页面里抛异常：Uncaught"); }, 10000));
}

TEST_F(PageInBrowser, AReloadLoadsThePageAgainAndCloseEndsIt) {
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

// A loader that cannot be found, or that lacks its entry point, stops the
// start with one error. Once the process has loaded a WebView2Loader.dll,
// the system answers every later search for that name with it, so each
// such case runs in a fresh copy of this test program.
TEST(WebViewLoader, AMissingLoaderOrEntryPointStopsTheStart) {
    EXPECT_EQ(RunAlone("LoaderAlone.DISABLED_NoLoaderAnywhere"), 0u);
    EXPECT_EQ(RunAlone("LoaderAlone.DISABLED_LoaderWithoutTheEntryPoint"), 0u);
}

TEST(LoaderAlone, DISABLED_NoLoaderAnywhere) {
    TempDir empty;
    ExpectStartFails(empty.path(), kLoaderMissingText);
}

TEST(LoaderAlone, DISABLED_LoaderWithoutTheEntryPoint) {
    // Any library will do, as long as it does not export the entry point.
    TempDir folder;
    std::string library;
    ASSERT_TRUE(ReadWholeFile(JoinPath(ExeDir(), "tavolin_rdp_standin.dll"), &library));
    ASSERT_TRUE(WriteWholeFile(folder.file("WebView2Loader.dll"), library));
    ExpectStartFails(folder.path(), kLoaderExportMissingText);
}

TEST(WebViewLoader, TheLoaderFoundIsKept) {
    WebViewLoader loader;
    std::string error;
    const CreateWebViewEnvironmentFunction first = loader.Load(StandinRuntimeFolder(), &error);
    ASSERT_NE(first, nullptr) << error;
    EXPECT_EQ(loader.Load("C:\\nowhere", &error), first);  // no second search
}
