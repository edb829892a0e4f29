// A session is created and connected once; its connect deadline is read by
// the sessions' clock.
#include <gtest/gtest.h>

#include "net/loopback_peers.h"
#include "rdp/session_clock.h"
#include "rdp/session_test_support.h"
#include "support/test_support.h"

namespace {

DWORD g_now = 0;
DWORD FakeTicks() {
    return g_now;
}

class SessionGuards : public PeerSession {
protected:
    void SetUp() override {
        PeerSession::SetUp();
        ASSERT_TRUE(session.Create(parent.get(), RECT{0, 0, 900, 500}, "g"));
    }
    void TearDown() override {
        PeerSession::TearDown();
        SetSessionTickSource(nullptr);
    }
};

}  // namespace

TEST_F(SessionGuards, ASecondCreateOrConnectIsRefused) {
    HWND host = session.hostWindow();
    EXPECT_FALSE(session.Create(parent.get(), RECT{0, 0, 100, 100}, "g"));
    EXPECT_TRUE(log.has("ERROR", "会话 g 已经创建过，不能再次 Create"));
    EXPECT_EQ(session.hostWindow(), host);

    ASSERT_TRUE(session.Connect(TestServer("127.0.0.1", peer.port()), &observer, true));
    // Wait for the logon too, so no report of the first connection is still on its way.
    ASSERT_TRUE(PumpUntil([&] { return observer.reports.size() >= 4; }));
    ASSERT_EQ(observer.last().detail, "已连接（登录完成）");
    const std::size_t reports = observer.reports.size();
    EXPECT_FALSE(session.Connect(TestServer("127.0.0.1", peer.port()), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "会话 g 已经连接过，不能再次 Connect（重新连接请新建会话）"));
    PumpFor(100);
    EXPECT_EQ(observer.reports.size(), reports);
    EXPECT_EQ(control.Journal("call Connect").size(), 1u);
    EXPECT_EQ(session.state(), SessionState::Connected);
}

TEST_F(SessionGuards, TheConnectDeadlineIsReadByTheSessionsClock) {
    SetSessionTickSource(&FakeTicks);
    // Close to the tick count's wrap: the deadline lies past it.
    g_now = 0xFFFFF000u;
    ASSERT_TRUE(session.Connect(TestServer("127.0.0.1", ClosedLoopbackPort()), &observer, true));
    EXPECT_EQ(session.connectDeadline(), 0xFFFFF000u + 25000u);
    EXPECT_FALSE(session.ConnectOverdue());
    g_now += 25000;
    EXPECT_FALSE(session.ConnectOverdue());
    g_now += 1;
    EXPECT_TRUE(session.ConnectOverdue());
    // Once the control has answered, no deadline is left.
    ASSERT_TRUE(PumpUntil([&] { return session.state() != SessionState::Connecting; }));
    EXPECT_FALSE(session.ConnectOverdue());
}
