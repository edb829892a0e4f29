// The controller's Windows side: the tab registry with real sessions against
// the stand-in control and loopback peers, worker results reaching the page
// through the main window's queue, posted objects, the host environment.
#include "app/tab_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <thread>

#include "app/host_environment.h"
#include "app/main_window_actions.h"
#include "app/main_window_messages.h"
#include "app/probe_results.h"
#include "controller/controller_fixture.h"
#include "controller/export_path.h"
#include "controller/page_events.h"
#include "core/posted_object.h"
#include "rdp/session_clock.h"
#include "rdp/session_test_support.h"

namespace {

// A window with the main window's size whose messages go to handler first
// (true: handled).
class TestMainWindow : public ParentWindow {
public:
    TestMainWindow() : ParentWindow(1200, 700) {
        SetWindowLongPtrW(get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    }
    ~TestMainWindow() { SetWindowLongPtrW(get(), GWLP_USERDATA, 0); }
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam)> handler;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TestMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && self->handler && self->handler(message, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

class TabRegistryTest : public ::testing::Test {
protected:
    // The registry's requests to close a tab come back through the queue.
    TabRegistryTest() {
        window.handler = [this](UINT message, WPARAM, LPARAM lParam) {
            if (message != WM_APP_CLOSE_TAB) return false;
            registry->OnCloseTabMessage(lParam);
            return true;
        };
    }
    void SetUp() override { ASSERT_TRUE(control.ok()); }
    void TearDown() override {
        SetSessionTickSource(nullptr);
        registry.reset();
        PumpFor(0);
        EXPECT_EQ(control.LiveObjects(), 0);
    }

    // A server on the loopback address at port; at kRefusedPort nothing
    // listens, and the stand-in control reports the connection refused.
    static constexpr int kRefusedPort = 1;
    static ServerRecord Server(const std::string& id, int port) {
        ServerRecord server = TestServer("127.0.0.1", port);
        server.id = id;
        server.remark = "备注 " + id;
        return server;
    }
    void OpenConnected(const ServerRecord& server) {
        registry->OpenTab(server);
        TabEntry* tab = registry->FindTab(server.id);
        ASSERT_NE(tab, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return tab->session->state() == SessionState::Connected; })) << server.id;
    }
    // The events posted to the page since the last call, as "name data".
    std::vector<std::string> TakeEvents() {
        std::vector<std::string> out;
        for (; taken_ < page.events.size(); ++taken_)
            out.push_back(page.events[taken_].cmd + " " + page.events[taken_].data);
        return out;
    }
    bool Posted(const std::string& cmd, const std::string& data) const {
        return std::any_of(page.events.begin(), page.events.end(),
                           [&](const PageEvent& e) { return e.cmd == cmd && e.data == data; });
    }
    // Where the session sits in the main window, "" when hidden.
    static std::string Placed(const RdpSession& session) {
        const HWND host = session.hostWindow();
        return IsWindowVisible(host) ? PlacedIn(host, GetParent(host)) : "";
    }

    StandinControl control;
    TestMainWindow window;
    LogCapture log;
    FakePage page;
    AppConfig config;
    std::unique_ptr<TabRegistry> registry = std::make_unique<TabRegistry>(window.get(), page, config);
    std::size_t taken_ = 0;
};

}  // namespace

// Opening tells the page before the session reports, and a second open only
// activates. A failed first connection closes its tab, after the page saw
// why; a session that was connected keeps its tab when it ends.
TEST_F(TabRegistryTest, OpeningTellsThePageFirstAndOnlyAFailedFirstConnectionClosesItsTab) {
    RdpTestPeer peer;
    OpenConnected(Server("up", peer.port()));
    const std::vector<std::string> events = TakeEvents();
    ASSERT_GE(events.size(), 2u);
    // The store lists no server here: the tab is a temporary one.
    EXPECT_EQ(events[0], "tabOpened {\"id\":\"up\",\"host\":\"127.0.0.1\",\"port\":" +
                             std::to_string(peer.port()) + ",\"remark\":\"备注 up\",\"temporary\":true}");
    EXPECT_EQ(events[1],
              "sessionState {\"id\":\"up\",\"state\":1,\"code\":0,\"detail\":\"正在连接 127.0.0.1 "
              "...\",\"mode\":\"none\"}");
    RdpSession* session = registry->FindTab("up")->session.get();
    registry->OpenTab(Server("up", peer.port()));
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"tabActivated {\"id\":\"up\"}"}));
    EXPECT_EQ(registry->FindTab("up")->session.get(), session);
    EXPECT_EQ(session->state(), SessionState::Connected);
    registry->OpenTab(Server("down", kRefusedPort));
    EXPECT_EQ(registry->TabCount(), 2);  // as the close question counts them
    EXPECT_EQ(registry->ConnectedCount(), 1);
    ASSERT_TRUE(PumpUntil([&] { return Posted("tabClosed", "{\"id\":\"down\"}"); }));
    EXPECT_EQ(registry->activeTabId(), "up");
    bool sawEnd = false;
    for (const PageEvent& event : page.events) {
        if (event.cmd == "tabClosed") break;
        sawEnd = sawEnd || event.data.rfind("{\"id\":\"down\",\"state\":3,", 0) == 0;
    }
    EXPECT_TRUE(sawEnd);
    ASSERT_TRUE(peer.WaitForConnection(2000));
    peer.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return session->state() == SessionState::Disconnected; }));
    PumpFor(100);
    EXPECT_EQ(registry->TabCount(), 1);
    EXPECT_FALSE(Posted("tabClosed", "{\"id\":\"up\"}"));
}

// A reconnect keeps the tab where it is, with a new session; that session
// failing does not close the tab, and the hook hears every end with its
// reason. An ended session's window makes way for the page's content area.
TEST_F(TabRegistryTest, AReopenedTabStaysInItsPlaceWhateverItsNewSessionDoes) {
    std::vector<std::string> heard;
    registry->SetSessionHook([&](const std::string& id, SessionState state, int code, bool wasConnected) {
        heard.push_back(id + " " + std::to_string(static_cast<int>(state)) + " " + std::to_string(code) +
                        (wasConnected ? " was" : ""));
    });
    RdpTestPeer peer;
    OpenConnected(Server("a", peer.port()));
    OpenConnected(Server("b", peer.port()));
    ASSERT_TRUE(registry->ActivateTab("a"));
    ASSERT_TRUE(peer.WaitForConnection(2000));
    RdpSession* old = registry->FindTab("a")->session.get();
    EXPECT_NE(Placed(*old), "");
    peer.CloseConnection();  // the first connection taken: tab a's
    ASSERT_TRUE(PumpUntil([&] { return old->state() == SessionState::Disconnected; }));
    EXPECT_EQ(Placed(*old), "");
    EXPECT_EQ(heard.back(), "a 3 2308 was");

    registry->ReopenTab(Server("a", kRefusedPort));
    ASSERT_TRUE(PumpUntil([&] { return heard.back() == "a 3 516"; }));
    PumpFor(100);
    ASSERT_NE(registry->FindTab("a"), nullptr);
    EXPECT_EQ(registry->tabs()[0].id, "a");
    EXPECT_EQ(registry->activeTabId(), "a");
    EXPECT_FALSE(Posted("tabClosed", "{\"id\":\"a\"}"));

    registry->ReopenTab(Server("a", peer.port()));
    ASSERT_TRUE(
        PumpUntil([&] { return registry->FindTab("a")->session->state() == SessionState::Connected; }));
    EXPECT_EQ(heard.back().rfind("a 2 ", 0), 0u) << heard.back();
    EXPECT_NE(Placed(*registry->FindTab("a")->session), "");
    EXPECT_EQ(registry->TabCount(), 2);
}

// Tabs opened one after another (auto-connect at start) connect in their
// own time: only the one in front when it connects takes the keyboard.
TEST_F(TabRegistryTest, OnlyTheTabInFrontTakesTheKeyboardWhenItConnects) {
    RdpTestPeer first, second;
    registry->OpenTab(Server("a", first.port()));
    registry->OpenTab(Server("b", second.port()));
    ASSERT_TRUE(registry->ActivateTab("a"));
    const RdpSession& a = *registry->FindTab("a")->session;
    const RdpSession& b = *registry->FindTab("b")->session;
    ASSERT_TRUE(PumpUntil(
        [&] { return a.state() == SessionState::Connected && b.state() == SessionState::Connected; }));
    const HWND focused = GetFocus();
    EXPECT_TRUE(focused == a.controlWindow() || IsChild(a.controlWindow(), focused));
    EXPECT_FALSE(focused == b.controlWindow() || IsChild(b.controlWindow(), focused));
}

TEST_F(TabRegistryTest, TheActiveTabCoversTheContentAreaAndMovesOnSwitchAndClose) {
    registry->SwitchTab(1);  // no tabs: nothing
    EXPECT_TRUE(TakeEvents().empty());
    registry->OpenTab(Server("a", kRefusedPort));
    TakeEvents();
    registry->SwitchTab(1);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"tabActivated {\"id\":\"a\"}"}));
    for (const char* id : {"b", "c"}) registry->OpenTab(Server(id, kRefusedPort));
    const RdpSession& a = *registry->FindTab("a")->session;
    const RdpSession& c = *registry->FindTab("c")->session;
    // Nothing reported yet: the whole client area stands in for it.
    EXPECT_EQ(registry->contentRect(), (PixelRect{0, 0, 1200, 700}));
    registry->SetContentRect(PixelRect{10, 40, 810, 640});
    registry->LayoutSessions();
    EXPECT_EQ(Placed(c) + "|" + Placed(a), "10,40,810,640|");
    registry->SetContentHidden(true);  // a dialog covers the page
    registry->LayoutSessions();
    EXPECT_EQ(Placed(c) + "|" + Placed(a), "|");
    registry->SetContentHidden(false);
    ASSERT_TRUE(registry->ActivateTab("a"));
    EXPECT_EQ(Placed(c) + "|" + Placed(a), "|10,40,810,640");
    EXPECT_FALSE(registry->ActivateTab("nobody"));
    registry->SetFullscreenQuery([] { return true; });
    registry->LayoutSessions();
    EXPECT_EQ(Placed(a), "0,0,1200,700");
    const std::pair<int, const char*> switches[] = {{1, "b"}, {-1, "a"},      {-1, "c"},
                                                    {5, "b"}, {INT_MAX, "c"}, {INT_MIN, "a"}};
    for (const auto& [delta, active] : switches) {
        registry->OnSwitchTabMessage(static_cast<WPARAM>(static_cast<INT_PTR>(delta)));
        EXPECT_EQ(registry->activeTabId(), active) << delta;
    }
    EXPECT_TRUE(log.has("INFO", "切换标签 -> c"));
    TakeEvents();
    const struct {
        const char* close;
        std::vector<std::string> events;
        const char* active;
    } closes[] = {
        {"a", {"tabActivated {\"id\":\"c\"}", "tabClosed {\"id\":\"a\"}"}, "c"},  // the last one takes over
        {"b", {"tabClosed {\"id\":\"b\"}"}, "c"},  // inactive: the active one stays
        {"nobody", {"tabClosed {\"id\":\"nobody\"}"}, "c"},
        {"c", {"tabClosed {\"id\":\"c\"}"}, ""},
    };
    for (const auto& step : closes) {
        registry->CloseTab(step.close);
        EXPECT_EQ(TakeEvents(), step.events) << step.close;
        EXPECT_EQ(registry->activeTabId(), step.active) << step.close;
    }
    EXPECT_EQ(registry->TabCount(), 0);
}

// The sweep fails sessions still connecting after their deadline and asks
// for their tabs to close; a request for a tab that the page reconnected
// before it arrived names the old tab, and closes nothing.
TEST_F(TabRegistryTest, TheSweepClosesTabsStillConnectingAfterTheirDeadline) {
    RdpTestPeer peer, second;
    OpenConnected(Server("up", peer.port()));
    {
        ManualClock clock(GetTickCount());
        // Connecting until their events arrive.
        for (const char* id : {"slow", "again"}) registry->OpenTab(Server(id, kRefusedPort));
        registry->SweepConnectTimeouts();
        EXPECT_FALSE(log.hasPrefix("INFO", "[会话 slow] 连接建立超时"));
        ManualClock::now += 25001;
        registry->SweepConnectTimeouts();  // posts the requests; not handled yet
    }
    EXPECT_TRUE(log.has("INFO", "[会话 slow] 连接建立超时（超过 25000ms 仍处于连接中），强制失败并关闭标签"));
    EXPECT_FALSE(log.hasPrefix("INFO", "[会话 up] 连接建立超时"));
    registry->CloseTab("again");
    registry->OpenTab(Server("again", second.port()));
    TakeEvents();
    ASSERT_TRUE(PumpUntil([&] { return Posted("tabClosed", "{\"id\":\"slow\"}"); }));
    PumpFor(300);
    EXPECT_NE(registry->FindTab("up"), nullptr);
    EXPECT_NE(registry->FindTab("again"), nullptr);
    for (const std::string& event : TakeEvents()) EXPECT_NE(event, "tabClosed {\"id\":\"again\"}");
}

// The control giving the keyboard back moves it to the page and leaves the
// tab connected; a logon event that does not end the logon becomes a
// notice, one that does closes the tab.
TEST_F(TabRegistryTest, FocusReleaseAndLogonEventsKeepTheTabUnlessTheLogonEnds) {
    int pageFocused = 0;
    registry->SetPageFocus([&] { ++pageFocused; });
    RdpTestPeer peer;
    OpenConnected(Server("up", peer.port()));
    ASSERT_TRUE(peer.WaitForConnection(2000));
    ASSERT_TRUE(peer.Send("event 23 -1"));
    ASSERT_TRUE(PumpUntil([&] { return pageFocused == 1; }));
    ASSERT_TRUE(peer.Send("logonerror 3"));
    ASSERT_TRUE(PumpUntil([&] {
        return Posted("toast", ToastJson(kToastInfo, "远程桌面显示了一条登录提示，请在会话中查看"));
    }));
    PumpFor(100);
    ASSERT_NE(registry->FindTab("up"), nullptr);
    EXPECT_EQ(registry->FindTab("up")->session->state(), SessionState::Connected);
    ASSERT_TRUE(peer.Send("logonerror -1"));
    ASSERT_TRUE(PumpUntil([&] { return Posted("tabClosed", "{\"id\":\"up\"}"); }));
}

using ProbePath = ControllerTest;

// The main window's plain actions; the rest belongs to the program's window.
class WindowActions : public MainWindowActions {
public:
    using MainWindowActions::MainWindowActions;
    void ToggleFullscreen() override {}
    void ApplyTitleBarTheme() override {}
    bool EvalPending() const override { return false; }
};

// Workers' results reach the page through the main window's queue and its
// batch timer, whose WM_TIMER goes to the timer's own procedure, never to
// the window's (which would not know it); a window that is not there yet
// gets nothing, and a flush without a window runs at once.
TEST_F(ProbePath, WorkersResultsReachThePageAsOneBatchOnTheWindowsTimer) {
    std::vector<std::string> ids;
    for (int i = 0; i < 4; ++i) ids.push_back(Stored("s" + std::to_string(i) + ".example"));
    TestMainWindow mainWindow;
    WindowActions actions(mainWindow.get());
    Controller batched(config, ControllerPorts{page, tabs, actions, probes, password, environment});
    int windowTimers = 0;
    mainWindow.handler = [&](UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_TIMER) ++windowTimers;
        if (message != WM_APP_PROBE_RESULT) return false;
        OnProbeResultMessage(batched, lParam);
        return true;
    };
    ProbeResultTarget target;
    std::thread([&] {
        PostProbeResult(ProbeResult{ids[3], NetState::Online, 1.0, "", "", "s3.example", 3389}, &target);
    }).join();
    target.window = mainWindow.get();
    // All queued before the loop runs: a timer only fires on an empty queue.
    std::thread([&] {
        for (int i = 0; i < 300; ++i) {
            const std::string host = "s" + std::to_string(i % 3) + ".example";
            PostProbeResult(ProbeResult{ids[i % 3], static_cast<NetState>(1 + i % 5), static_cast<double>(i),
                                        "", "端口拒绝连接", host, 3389},
                            &target);
        }
    }).join();
    ASSERT_TRUE(PumpUntil([&] { return !page.data("pings").empty(); }));
    PumpFor(2 * kPingBatchDelayMs);
    ASSERT_EQ(page.data("pings").size(), 1u);
    const std::string batch = page.data("pings")[0];
    for (int i = 0; i < 3; ++i) {
        const std::string last = "{\"id\":\"" + ids[i] + "\",\"state\":" + std::to_string(3 + i) +
                                 ",\"rtt\":" + std::to_string(297 + i) + ",";
        EXPECT_NE(batch.find(last), std::string::npos) << last;
    }
    EXPECT_EQ(batch.find(ids[3]), std::string::npos);  // posted before there was a window
    EXPECT_EQ(windowTimers, 0);
    OnProbeResultMessage(batched, 0);  // a null result is ignored
    EXPECT_EQ(batched.probeResults().size(), 3u);

    WindowActions noWindow;
    bool ran = false;
    noWindow.ArmPingFlush(kPingBatchDelayMs, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(PostedObject, TheReceiverOrTheSenderFreesItExactlyOnce) {
    struct Counted {
        explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
        ~Counted() { --*alive_; }
        int* alive_;
    };
    int alive = 0;
    EXPECT_FALSE(PostOwned(nullptr, WM_APP_CLOSE_TAB, std::make_unique<Counted>(&alive)));
    EXPECT_EQ(alive, 0);
    TestMainWindow window;
    LPARAM received = 0;
    window.handler = [&](UINT message, WPARAM, LPARAM lParam) {
        if (message != WM_APP + 20) return false;
        received = lParam;
        AdoptPosted<Counted>(lParam);
        return true;
    };
    ASSERT_TRUE(PostOwned(window.get(), WM_APP + 20, std::make_unique<Counted>(&alive)));
    EXPECT_EQ(alive, 1);  // in flight: owned by the queue's message
    ASSERT_TRUE(PumpUntil([&] { return received != 0; }));
    EXPECT_EQ(alive, 0);
    const HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, SharedTopLevel(), nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(PostOwned(gone, WM_APP + 20, std::make_unique<Counted>(&alive)));
    EXPECT_EQ(alive, 0);
}

TEST(HostEnvironmentTest, DetectionResultAndFullPaths) {
    HostEnvironment environment;
    EXPECT_FALSE(environment.RdpControl().available);
    std::thread([&] { environment.SetRdpControl(true, "MsTscAx.MsTscAx.10"); }).join();
    EXPECT_TRUE(environment.RdpControl().available);
    EXPECT_EQ(environment.RdpControl().className, "MsTscAx.MsTscAx.10");
    TempDir dir;
    const std::string want = PathCompareKey(dir.file("x.csv"));
    EXPECT_EQ(PathCompareKey(environment.FullPath(dir.path() + "\\sub\\..\\x.csv. ")), want);
    EXPECT_EQ(PathCompareKey(environment.FullPath(dir.path() + "/./x.csv")), want);
}
