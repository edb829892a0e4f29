// The tab registry with real sessions against the stand-in control.
#include <gtest/gtest.h>

#include <climits>

#include "controller/main_window_messages.h"
#include "controller/tab_test_support.h"
#include "rdp/session_clock.h"

namespace {

// The sessions' clock, moved by the tests.
DWORD g_now = 0;
DWORD FakeTicks() {
    return g_now;
}

}  // namespace

TEST_F(TabRegistryTest, OpeningTellsThePageBeforeTheSessionReportsAndOnlyOnce) {
    RdpTestPeer peer;
    OpenConnected(Server("s1", peer.port()));
    const std::vector<std::string> events = TakeEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "tabOpened {\"id\":\"s1\",\"host\":\"127.0.0.1\",\"port\":" +
                             std::to_string(peer.port()) + ",\"remark\":\"备注 s1\"}");
    EXPECT_EQ(events[1],
              "sessionState {\"id\":\"s1\",\"state\":1,\"code\":0,\"detail\":\"正在连接 127.0.0.1 "
              "...\",\"mode\":\"none\"}");
    EXPECT_EQ(registry->activeTabId(), "s1");

    // A second open only activates: same session, one event.
    RdpSession* session = registry->FindTab("s1")->session.get();
    registry->OpenTab(Server("s1", peer.port()));
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"tabActivated {\"id\":\"s1\"}"}));
    EXPECT_EQ(registry->FindTab("s1")->session.get(), session);
    EXPECT_EQ(registry->TabCount(), 1);
    EXPECT_EQ(session->state(), SessionState::Connected);
}

TEST_F(TabRegistryTest, TheActiveSessionCoversTheContentAreaAndTheOthersHide) {
    registry->OpenTab(Server("a", kRefusedPort));
    registry->OpenTab(Server("b", kRefusedPort));
    const RdpSession& a = *registry->FindTab("a")->session;
    const RdpSession& b = *registry->FindTab("b")->session;
    // Nothing reported yet: the whole client area stands in for it.
    EXPECT_EQ(registry->contentRect(), (PixelRect{0, 0, 1200, 700}));
    registry->SetContentRect(PixelRect{10, 40, 810, 640});
    registry->LayoutSessions();
    const RECT placed = HostRect(b);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 40);
    EXPECT_EQ(placed.right, 810);
    EXPECT_EQ(placed.bottom, 640);
    EXPECT_TRUE(HostVisible(b));
    EXPECT_FALSE(HostVisible(a));

    registry->SetContentHidden(true);  // a dialog covers the page
    registry->LayoutSessions();
    EXPECT_FALSE(HostVisible(a) || HostVisible(b));
    registry->SetContentHidden(false);
    ASSERT_TRUE(registry->ActivateTab("a"));
    EXPECT_TRUE(HostVisible(a));
    EXPECT_FALSE(HostVisible(b));
    EXPECT_FALSE(registry->ActivateTab("nobody"));

    bool fullscreen = true;
    registry->SetFullscreenQuery([&] { return fullscreen; });
    registry->LayoutSessions();
    EXPECT_EQ(HostRect(a).right, 1200);
    EXPECT_EQ(HostRect(a).top, 0);
}

TEST_F(TabRegistryTest, ClosingTheActiveTabActivatesTheLastOne) {
    for (const char* id : {"a", "b", "c"}) registry->OpenTab(Server(id, kRefusedPort));
    TakeEvents();
    struct Step {
        const char* close;
        std::vector<std::string> events;
        const char* active;
    };
    const Step steps[] = {
        {"a", {"tabClosed {\"id\":\"a\"}"}, "c"},  // inactive: the active one stays
        {"c", {"tabActivated {\"id\":\"b\"}", "tabClosed {\"id\":\"c\"}"}, "b"},
        {"nobody", {"tabClosed {\"id\":\"nobody\"}"}, "b"},
        {"b", {"tabClosed {\"id\":\"b\"}"}, ""},
    };
    for (const Step& step : steps) {
        registry->CloseTab(step.close);
        EXPECT_EQ(TakeEvents(), step.events) << step.close;
        EXPECT_EQ(registry->activeTabId(), step.active) << step.close;
    }
    EXPECT_EQ(registry->TabCount(), 0);
}

TEST_F(TabRegistryTest, SwitchingGoesRoundInBothDirections) {
    registry->SwitchTab(1);  // no tabs: nothing
    EXPECT_TRUE(TakeEvents().empty());
    registry->OpenTab(Server("only", kRefusedPort));
    TakeEvents();
    registry->SwitchTab(1);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"tabActivated {\"id\":\"only\"}"}));
    for (const char* id : {"b", "c"}) registry->OpenTab(Server(id, kRefusedPort));
    struct Step {
        int delta;
        const char* active;
    };
    const Step steps[] = {{1, "only"}, {-1, "c"}, {-1, "b"}, {5, "only"}, {INT_MAX, "b"}, {INT_MIN, "c"}};
    for (const Step& step : steps) {
        registry->OnSwitchTabMessage(static_cast<WPARAM>(static_cast<INT_PTR>(step.delta)));
        EXPECT_EQ(registry->activeTabId(), step.active) << step.delta;
    }
    EXPECT_TRUE(log.has("INFO", "切换标签 -> c"));
}

TEST_F(TabRegistryTest, AFirstConnectionThatFailsClosesItsTab) {
    registry->OpenTab(Server("down", kRefusedPort));
    ASSERT_TRUE(PumpUntil([&] { return Posted("tabClosed", "{\"id\":\"down\"}"); }));
    EXPECT_EQ(registry->TabCount(), 0);
    EXPECT_EQ(registry->activeTabId(), "");
    // The page saw why before the tab went.
    bool sawEnd = false;
    for (const PageEvent& event : page.events) {
        if (event.cmd == "tabClosed") break;
        sawEnd = sawEnd || event.data.find("\"state\":3") != std::string::npos;
    }
    EXPECT_TRUE(sawEnd);
}

TEST_F(TabRegistryTest, ASessionThatWasConnectedKeepsItsTabWhenItEnds) {
    RdpTestPeer peer;
    OpenConnected(Server("up", peer.port()));
    ASSERT_TRUE(peer.WaitForConnection(2000));
    peer.CloseConnection();
    RdpSession* session = registry->FindTab("up")->session.get();
    ASSERT_TRUE(PumpUntil([&] { return session->state() == SessionState::Disconnected; }));
    PumpFor(100);
    ASSERT_NE(registry->FindTab("up"), nullptr);
    EXPECT_FALSE(Posted("tabClosed", "{\"id\":\"up\"}"));
}

TEST_F(TabRegistryTest, TheSweepClosesSessionsStillConnectingAfterTheirDeadline) {
    RdpTestPeer peer;
    OpenConnected(Server("up", peer.port()));
    g_now = GetTickCount();
    SetSessionTickSource(&FakeTicks);
    registry->OpenTab(Server("slow", kRefusedPort));  // connecting until its events arrive
    registry->SweepConnectTimeouts();
    EXPECT_FALSE(log.hasPrefix("INFO", "[会话 slow] 连接建立超时"));
    g_now += 25001;
    registry->SweepConnectTimeouts();
    SetSessionTickSource(nullptr);
    EXPECT_TRUE(log.has("INFO", "[会话 slow] 连接建立超时（超过 25000ms 仍处于连接中），强制失败并关闭标签"));
    EXPECT_FALSE(log.hasPrefix("INFO", "[会话 up] 连接建立超时"));
    ASSERT_TRUE(PumpUntil([&] { return Posted("tabClosed", "{\"id\":\"slow\"}"); }));
    EXPECT_NE(registry->FindTab("up"), nullptr);
}

// A request posted for a tab that the page then reconnected must not close
// the new tab: it names the old one.
TEST_F(TabRegistryTest, ACloseRequestForAReplacedTabClosesNothing) {
    g_now = GetTickCount();
    SetSessionTickSource(&FakeTicks);
    registry->OpenTab(Server("s", kRefusedPort));
    g_now += 25001;
    registry->SweepConnectTimeouts();  // posts the request; not handled yet
    SetSessionTickSource(nullptr);
    RdpTestPeer peer;
    registry->CloseTab("s");
    registry->OpenTab(Server("s", peer.port()));
    TakeEvents();
    PumpFor(300);
    ASSERT_NE(registry->FindTab("s"), nullptr);
    for (const std::string& event : TakeEvents())
        EXPECT_EQ(event.rfind("tabClosed", 0), std::string::npos) << event;
}

TEST_F(TabRegistryTest, TheCloseQuestionCountsOpenAndConnectedTabs) {
    RdpTestPeer peer;
    OpenConnected(Server("up", peer.port()));
    registry->OpenTab(Server("down", kRefusedPort));
    FakeWindow mainWindow;
    FakeProbes probes;
    FakePassword password;
    FakeEnvironment environment;
    Controller controller(config,
                          ControllerPorts{page, *registry, mainWindow, probes, password, environment});
    EXPECT_FALSE(controller.CloseRequested());
    EXPECT_TRUE(Posted("confirmClose", "{\"tabs\":2,\"connected\":1}"));
}

TEST_F(TabRegistryTest, TheWindowsEndClosesEverySessionWithoutEvents) {
    RdpTestPeer peer;
    OpenConnected(Server("up", peer.port()));
    registry->OpenTab(Server("down", kRefusedPort));
    TakeEvents();
    registry->CloseAllQuietly();
    EXPECT_EQ(registry->TabCount(), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(control.LiveObjects(), 0);
}
