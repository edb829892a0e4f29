// What the stand-in browser runtime promises about its page, shown in
// headless Chromium and driven as a user would through Chromium's DevTools:
// navigations the page starts wait for the host, new windows are the host's,
// messages name the document that posted them, and keys reach the page only
// once it has the focus.
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "standins/webview_standin_fixture.h"
#include "support/message_pump.h"

namespace {

// Chromium starting under Wine, and the page loading in it.
constexpr DWORD kBrowserStartMs = 60000;

constexpr char kPage[] = R"HTML(<!DOCTYPE html><html><head><meta charset="utf-8"></head>
<body style="margin:0">
<a id="same" href="other.html" style="display:block;height:40px">same</a>
<a id="blank" href="other.html" target="_blank" style="display:block;height:40px">blank</a>
<form id="form" action="other.html"><input name="q" value="1"></form>
<div id="zone" style="height:80px">takes drops</div>
<div id="outside" style="height:80px">takes none</div>
<input id="field">
<script>
window.marker = 'first';
window.keys = 0;
addEventListener('keydown', () => window.keys++);
const zone = document.getElementById('zone');
zone.addEventListener('dragover', (event) => event.preventDefault());
zone.addEventListener('drop', (event) => { event.preventDefault(); window.dropped = event.dataTransfer.files[0].name; });
document.getElementById('field').focus();
</script></body></html>)HTML";
constexpr char kOther[] =
    "<!DOCTYPE "
    "html><html><head></head><body><script>chrome.webview.postMessage('arrived')</script></body></html>";

class WebViewStandinPage : public WebViewStandin {
protected:
    void SetUp() override {
        WebViewStandin::SetUp();
        SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"headless");
    }
    // Shows the page in a new browser, once it answers, with devtools_ on it.
    void ShowInBrowser() {
        Show(kPage);
        std::ofstream(data_.file("site\\other.html")) << kOther;
        ASSERT_NE(Evaluate("document.readyState", kBrowserStartMs), "") << "the page never answered";
        devtools_ = std::make_unique<DevTools>();
        ASSERT_TRUE(devtools_->Attach(data_.file("user\\chromium")));
    }
    // Script the page runs as if by itself (no user gesture).
    void Run(const std::string& script) {
        devtools_->Call("Runtime.evaluate", "{\"expression\":" + ToJson(JsonValue(script), 0) + "}");
    }
    int JournalCount(const std::string& prefix) const {
        const std::string journal = "\n" + Journal();
        int count = 0;
        for (size_t at = journal.find("\n" + prefix); at != std::string::npos;
             at = journal.find("\n" + prefix, at + 1)) {
            ++count;
        }
        return count;
    }

    std::unique_ptr<DevTools> devtools_;
};

struct Started {
    std::string uri;
    BOOL user;
};

TEST_F(WebViewStandinPage, NavigationsAndNewWindowsThePageStartsWaitForTheHost) {
    Create();
    std::vector<Started> navigations, windows;
    BOOL cancel = TRUE, handle = FALSE;
    ICoreWebView2NavigationStartingEventArgs* kept = nullptr;
    NavigationSeen starting;
    starting.then = [&](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
        LPWSTR text = nullptr;
        BOOL user = FALSE;
        args->get_IsUserInitiated(&user);
        navigations.push_back({Taken(args->get_Uri(&text), &text), user});
        if (navigations.size() > 1) args->put_Cancel(cancel);  // the first is the host's own
        if (kept != nullptr) kept->Release();
        (kept = args)->AddRef();
    };
    NewWindowSeen opening;
    opening.then = [&](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
        LPWSTR text = nullptr;
        BOOL user = FALSE;
        args->get_IsUserInitiated(&user);
        windows.push_back({Taken(args->get_Uri(&text), &text), user});
        args->put_Handled(handle);
    };
    MessageSeen messages;
    std::vector<std::string> texts, sources;
    messages.then = [&](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
        LPWSTR text = nullptr;
        texts.push_back(Taken(args->TryGetWebMessageAsString(&text), &text));
        sources.push_back(Taken(args->get_Source(&text), &text));
    };
    const Closing closing(this);
    EventRegistrationToken token = {};
    ASSERT_EQ(webview_->add_NavigationStarting(&starting, &token), S_OK);
    ASSERT_EQ(webview_->add_NewWindowRequested(&opening, &token), S_OK);
    ShowInBrowser();
    ASSERT_EQ(navigations.size(), 1u);
    const std::string dropped = data_.file("dropped.txt");
    std::ofstream(dropped) << "dropped";

    // Script first: a user gesture would linger and mark what follows as the user's.
    const struct {
        const char* what;
        std::function<void()> act;
        bool newWindow;
        const char* uri;
        BOOL user;
    } starts[] = {
        {"an assignment to location", [&] { Run("location.href = 'other.html'"); }, false,
         "https://app.test/other.html", FALSE},
        {"a form's submission", [&] { Run("document.getElementById('form').requestSubmit()"); }, false,
         "https://app.test/other.html?q=1", FALSE},
        {"a reload", [&] { Run("location.reload()"); }, false, "https://app.test/index.html", FALSE},
        {"window.open", [&] { Run("window.open('other.html')"); }, true, "https://app.test/other.html",
         FALSE},
        {"a click on a link", [&] { devtools_->Click(devtools_->CentreOf("#same")); }, false,
         "https://app.test/other.html", TRUE},
        {"a file dropped where the page takes none",
         [&] { devtools_->DropFile(devtools_->CentreOf("#outside"), UnixPath(dropped)); }, false,
         "file:///dropped.txt", TRUE},
        {"a click on a link with a target", [&] { devtools_->Click(devtools_->CentreOf("#blank")); }, true,
         "https://app.test/other.html", TRUE},
    };
    for (const auto& row : starts) {
        std::vector<Started>& seen = row.newWindow ? windows : navigations;
        const size_t before = seen.size();
        handle = row.user;  // the user's new window is handled, the script's is not
        row.act();
        ASSERT_TRUE(PumpUntil([&] { return seen.size() == before + 1; })) << row.what;
        EXPECT_EQ(seen.back().uri, row.uri) << row.what;
        EXPECT_EQ(seen.back().user, row.user) << row.what;
        EXPECT_EQ(Evaluate("window.marker + ':' + location.pathname.split('/').pop()"),
                  "\"first:index.html\"")
            << row.what << ": the page is left as it was";
    }
    EXPECT_EQ(JournalCount("new window "), 1) << "only the request no handler took opens a popup";
    devtools_->DropFile(devtools_->CentreOf("#zone"), UnixPath(dropped));
    EXPECT_EQ(Evaluate("window.dropped"), "\"dropped.txt\"");
    EXPECT_EQ(navigations.size(), 6u) << "a drop the page takes goes nowhere";

    // Not cancelled, the page follows, and names itself in its messages; a
    // cancel put after the handlers returned changes nothing.
    ASSERT_EQ(webview_->add_WebMessageReceived(&messages, &token), S_OK);
    cancel = FALSE;
    Run("location.href = 'other.html'");
    ASSERT_TRUE(PumpUntil([&] { return navigations.size() == 7; }));
    EXPECT_EQ(kept->put_Cancel(TRUE), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return messages.calls == 1; }, kBrowserStartMs));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "arrived");
    EXPECT_EQ(sources[0], "https://app.test/other.html");
    LPWSTR source = nullptr;
    EXPECT_EQ(Taken(webview_->get_Source(&source), &source), "https://app.test/other.html");

    // Another origin: the page is gone, an empty document stands for it.
    const std::string foreign = "https://example.com/x?a=1&b=2";
    ASSERT_TRUE(devtools_->Call("Page.enable").isObject());
    Run("location.href = '" + foreign + "'");
    ASSERT_TRUE(PumpUntil([&] { return navigations.size() == 8; }));
    EXPECT_TRUE(Journaled("navigated " + foreign));
    ASSERT_TRUE(devtools_->WaitForEvent("Page.frameNavigated", "__webview/away"));
    ASSERT_TRUE(devtools_->WaitForEvent("Page.loadEventFired", ""));
    Run("chrome.webview.postMessage('away:' + document.body.childElementCount)");
    ASSERT_TRUE(PumpUntil([&] { return messages.calls == 2; }));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "away:0");
    EXPECT_EQ(sources[1], foreign);
    EXPECT_EQ(Taken(webview_->get_Source(&source), &source), foreign);
    kept->Release();
}

TEST_F(WebViewStandinPage, KeysReachThePageOnlyOnceTheHostOrAMousePressGaveItTheFocus) {
    const struct {
        const char* how;
        std::function<void()> focus;
    } ways[] = {
        {"MoveFocus",
         [&] {
             EXPECT_EQ(controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC), S_OK);
             Evaluate("0");  // the page has heard of it once this comes back
         }},
        {"a mouse press", [&] { devtools_->Click(devtools_->CentreOf("#field")); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        Create();
        ShowInBrowser();
        devtools_->Type('a');
        EXPECT_EQ(Evaluate("window.keys + document.getElementById('field').value"), "\"0\"");
        way.focus();
        devtools_->Type('b');
        EXPECT_EQ(Evaluate("window.keys + document.getElementById('field').value"), "\"1b\"");
        devtools_.reset();
        Close();
    }
}

}  // namespace
