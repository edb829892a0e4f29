// What the stand-in browser runtime promises where the web host's tests never
// look, without a browser: its loopback server keeps to the served folder,
// the page's own address and its token; completions never arrive inside the
// requesting call nor inside one another; navigations wait for the host's
// word; process failures do what their kind does; its objects count
// references and answer only for their interfaces.
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "standins/webview_standin_fixture.h"
#include "support/message_pump.h"

namespace {

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

TEST_F(WebViewStandin, HostNavigationsWaitForNavigationStartingAndACancelShowsNothing) {
    Create();
    NavigationSeen starting;
    std::string uri;
    starting.then = [&](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
        LPWSTR text = nullptr;
        uri = Taken(args->get_Uri(&text), &text);
        args->put_Cancel(TRUE);
    };
    const Closing closing(this);
    EventRegistrationToken token = {};
    ASSERT_EQ(webview_->add_NavigationStarting(&starting, &token), S_OK);
    CreateDirectoryW(ToWide(data_.file("site")).c_str(), nullptr);
    ASSERT_EQ(webview_->SetVirtualHostNameToFolderMapping(L"app.test", ToWide(data_.file("site")).c_str(),
                                                          COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW),
              S_OK);
    ASSERT_EQ(webview_->Navigate(L"https://app.test/index.html"), S_OK);
    EXPECT_EQ(starting.calls, 0) << "raised inside the call";
    ASSERT_TRUE(PumpUntil([&] { return starting.calls == 1; }));
    EXPECT_EQ(uri, "https://app.test/index.html");
    PumpQueued();
    EXPECT_EQ(ReadRawFile(AddressFile()), "") << "a cancelled navigation shows nothing";
    LPWSTR source = nullptr;
    EXPECT_EQ(Taken(webview_->get_Source(&source), &source), "about:blank");
}

TEST_F(WebViewStandin, FocusAndPositionCallsAreJournaledAndRefusedOnceClosed) {
    Open();
    const struct {
        std::function<HRESULT()> call;
        HRESULT result;
        const char* line;
    } calls[] = {
        {[&] { return controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT); }, S_OK, "MoveFocus 1"},
        {[&] { return controller_->MoveFocus(static_cast<COREWEBVIEW2_MOVE_FOCUS_REASON>(3)); }, E_INVALIDARG,
         "MoveFocus 3"},
        {[&] { return controller_->NotifyParentWindowPositionChanged(); }, S_OK,
         "NotifyParentWindowPositionChanged"},
    };
    for (const auto& c : calls) {
        EXPECT_EQ(c.call(), c.result) << c.line;
        EXPECT_TRUE(Journaled(c.line)) << c.line;
    }
    ASSERT_EQ(controller_->Close(), S_OK);
    for (const auto& c : calls) EXPECT_EQ(c.call(), HRESULT_FROM_WIN32(ERROR_INVALID_STATE)) << c.line;
}

// Without its browser process the webview is closed; without its render
// process the page answers nothing until the host reloads; other kinds only
// tell.
TEST_F(WebViewStandin, ProcessFailuresDoWhatTheirKindDoesUntilTheHostRecovers) {
    ASSERT_NE(failProcess_, nullptr);
    EXPECT_EQ(failProcess_(-1), -1);
    EXPECT_EQ(failProcess_(10), -1);
    const HRESULT closed = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    const struct {
        COREWEBVIEW2_PROCESS_FAILED_KIND kind;
        bool closes;
        bool dropsMessages;
    } kinds[] = {
        {COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, true, true},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED, false, true},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE, false, false},
    };
    for (const auto& row : kinds) {
        SCOPED_TRACE(row.kind);
        Open();
        MessageSeen messages;
        FailureSeen failed, removed;
        COREWEBVIEW2_PROCESS_FAILED_KIND kind = COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED;
        HRESULT sourceInHandler = E_PENDING;
        failed.then = [&](ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) {
            args->get_ProcessFailedKind(&kind);
            LPWSTR text = nullptr;
            sourceInHandler = sender->get_Source(&text);
            CoTaskMemFree(text);
        };
        const Closing closing(this);
        EventRegistrationToken token = {}, removedToken = {};
        ASSERT_EQ(webview_->add_WebMessageReceived(&messages, &token), S_OK);
        ASSERT_EQ(webview_->add_ProcessFailed(&failed, &token), S_OK);
        ASSERT_EQ(webview_->add_ProcessFailed(&removed, &removedToken), S_OK);
        ASSERT_EQ(webview_->remove_ProcessFailed(removedToken), S_OK);
        ASSERT_TRUE(PostFromPage("before"));
        ASSERT_TRUE(PumpUntil([&] { return messages.calls == 1; }));

        EXPECT_EQ(failProcess_(row.kind), 1);
        EXPECT_EQ(failed.calls, 0) << "raised inside the call";
        ASSERT_TRUE(PumpUntil([&] { return failed.calls == 1; }));
        EXPECT_EQ(kind, row.kind);
        EXPECT_EQ(removed.calls, 0);
        EXPECT_TRUE(Journaled("ProcessFailed " + std::to_string(row.kind)));
        EXPECT_EQ(sourceInHandler, row.closes ? closed : S_OK) << "closed before the handlers hear of it";
        RECT bounds = {};
        EXPECT_EQ(controller_->get_Bounds(&bounds), row.closes ? closed : S_OK);
        if (row.closes) {
            EXPECT_EQ(failProcess_(row.kind), 0) << "no webview is left";
        }
        PostFromPage("during");
        PumpQueued();
        EXPECT_EQ(messages.calls, row.dropsMessages ? 1 : 2);
        if (!row.closes) {
            ASSERT_EQ(webview_->Reload(), S_OK);
            PumpQueued();
            ASSERT_TRUE(PostFromPage("after"));
            EXPECT_TRUE(PumpUntil([&] { return messages.calls == (row.dropsMessages ? 2 : 3); }));
        }
    }
}

}  // namespace
