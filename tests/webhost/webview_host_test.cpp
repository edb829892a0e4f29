// The web host against the stand-in runtime: each start-up step and its
// failures, what reaches the runtime, and completions that come too late.
// The page itself is not loaded here (no browser); see the page tests.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/unicode.h"
#include "webhost/webview_test_support.h"
#include "webhost/webview_text.h"

namespace {

class HostSteps : public HostFixture {
protected:
    ScopedEnv noBrowser{"TAVOLIN_WEBVIEW_BROWSER", "none"};
};

std::size_t CountLevel(const LogCapture& log, const std::string& level) {
    const auto records = log.records();
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(), [&](const auto& r) { return r.first == level; }));
}

}  // namespace

TEST_F(HostSteps, EachRuntimeFailureEndsInOneErrorAndOneOnError) {
    struct Case {
        const char* fail;
        bool created;
        const char* text;  // the start of the error text
    };
    const Case cases[] = {
        {"environment-call", false, "创建 WebView2 环境失败 0x"},
        {"environment", true, "WebView2 环境初始化失败 0x"},
        {"controller-call", true, "创建 WebView2 控制器失败 0x"},
        {"controller", true, "WebView2 控制器初始化失败 0x"},
        {"corewebview", true, "拿不到 CoreWebView2 接口"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fail);
        ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", c.fail);
        LogCapture caseLog;
        RecordingListener caseListener;
        WebViewHost caseHost(loader);
        EXPECT_EQ(caseHost.create(window.get(), folders.file("web"), folders.file("data"), &caseListener,
                                  StandinRuntimeFolder()),
                  c.created);
        EXPECT_TRUE(PumpUntil([&] { return !caseListener.errors.empty(); }));
        PumpFor(100);
        ASSERT_EQ(caseListener.errors.size(), 1u);
        EXPECT_EQ(caseListener.errors[0].rfind(c.text, 0), 0u) << caseListener.errors[0];
        EXPECT_EQ(CountLevel(caseLog, "ERROR"), 1u);
        EXPECT_TRUE(caseLog.has("ERROR", caseListener.errors[0]));
        EXPECT_EQ(caseHost.lastError(), caseListener.errors[0]);
        EXPECT_TRUE(caseHost.isLoaderReady());
        EXPECT_EQ(caseListener.ready, 0);
        caseHost.close();
        EXPECT_TRUE(PumpUntil([&] { return runtime.LiveObjects() == 0; })) << runtime.LiveObjects();
    }
}

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

    const std::vector<std::string> want = {
        "put_IsStatusBarEnabled 0",
        "put_AreDefaultContextMenusEnabled 1",
        "put_AreDevToolsEnabled 1",
        "put_IsZoomControlEnabled 0",
        "put_IsScriptEnabled 1",
        "put_DefaultBackgroundColor 255 13 17 26",
        "SetVirtualHostNameToFolderMapping tavolin.example " + folders.file("web") + " 1",
        "put_Bounds 10 20 330 260",
        "put_IsVisible 1",
        "Navigate https://tavolin.example/index.html",
    };
    std::vector<std::string> journal = runtime.Journal();
    std::vector<std::string> seen;
    for (const std::string& line : journal) {
        if (std::find(want.begin(), want.end(), line) != want.end()) seen.push_back(line);
    }
    EXPECT_EQ(seen, want);

    // Once the controller exists, a resize reaches it at once.
    host.resize(RECT{0, 0, 500, 400});
    EXPECT_TRUE(runtime.Journaled("put_Bounds 0 0 500 400"));
    host.openDevTools();
    host.reload();
    EXPECT_TRUE(runtime.Journaled("OpenDevToolsWindow"));
    EXPECT_TRUE(runtime.Journaled("Reload"));
}

TEST_F(HostSteps, WithoutAResizeTheViewFillsTheParent) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(WaitReady());
    RECT client;
    GetClientRect(window.get(), &client);
    EXPECT_TRUE(runtime.Journaled("put_Bounds 0 0 " + std::to_string(client.right) + " " +
                                  std::to_string(client.bottom)));
}

TEST_F(HostSteps, WithoutTheFolderMappingThePageOpensFromItsFile) {
    struct Case {
        const char* fail;
        bool warns;
    };
    for (const Case& c : {Case{"mapping", true}, Case{"webview3", false}}) {
        SCOPED_TRACE(c.fail);
        ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", c.fail);
        LogCapture caseLog;
        RecordingListener caseListener;
        WebViewHost caseHost(loader);
        ASSERT_TRUE(caseHost.create(window.get(), folders.file("web"), folders.file("data"), &caseListener,
                                    StandinRuntimeFolder()));
        ASSERT_TRUE(PumpUntil([&] { return caseListener.ready > 0; }));
        const std::string address = FileUrl(folders.file("web") + "\\index.html");
        EXPECT_TRUE(caseLog.has("INFO", "WebView2 就绪，界面地址 " + address));
        EXPECT_EQ(caseLog.hasPrefix("WARN", "设置虚拟域名失败 0x"), c.warns);
        EXPECT_TRUE(runtime.Journaled("Navigate " + address));
        caseHost.close();
    }
}

TEST_F(HostSteps, MissingOptionalInterfacesLeaveTheirStepOut) {
    ScopedEnv fail("TAVOLIN_WEBVIEW_FAIL", "settings,controller3");
    ASSERT_TRUE(Create());
    ASSERT_TRUE(WaitReady());
    EXPECT_FALSE(runtime.Journaled("put_IsScriptEnabled"));
    EXPECT_FALSE(runtime.Journaled("put_DefaultBackgroundColor"));
    EXPECT_TRUE(runtime.Journaled("Navigate https://tavolin.example/index.html"));
    EXPECT_TRUE(listener.errors.empty());
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
    const auto records = log.records();
    const auto failed = std::find_if(records.begin(), records.end(), [](const auto& r) {
        return r.first == "WARN" && r.second.rfind("EVAL long !! 发起失败 0x", 0) == 0;
    });
    ASSERT_NE(failed, records.end());
    const std::string tail =
        " 参数长度=" + std::to_string(params.size()) + " 内容=" + params.substr(0, 600) + "...";
    EXPECT_EQ(failed->second.substr(failed->second.size() - tail.size()), tail);
}
