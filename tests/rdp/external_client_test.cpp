#include <gtest/gtest.h>

#include <string>

#include "core/unicode.h"
#include "rdp/session_test_support.h"
#include "support/test_support.h"

namespace {

constexpr RECT kHostRect = {0, 0, 900, 500};

// Top-level windows of stand-in clients, from whatever process.
int ClientWindowsOnScreen() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) == L"TavolinMstscStandIn") ++*reinterpret_cast<int*>(context);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

std::wstring Title(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class ExternalClient : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(control.ok());
        ASSERT_TRUE(session.Create(parent.get(), kHostRect, "ext"));
    }
    void TearDown() override {
        session.Close();
        // Every client started by a test is gone once its session closed.
        EXPECT_TRUE(PumpUntil([] { return ClientWindowsOnScreen() == 0; }, 3000));
    }

    ParentWindow parent;
    StandinControl control{L""};  // no ProgID: the control is never found
    RecordingObserver observer;
    LogCapture log;
    RdpSession session;
};

}  // namespace

TEST_F(ExternalClient, ItsMainWindowIsEmbeddedAsAChildFillingTheTab) {
    ASSERT_TRUE(session.Connect(TestServer("db.example", 0), &observer, true));
    EXPECT_EQ(session.mode(), "mstsc");
    EXPECT_EQ(session.state(), SessionState::Connecting);
    ASSERT_EQ(observer.reports.size(), 2u);
    EXPECT_EQ(observer.last().state, SessionState::Connecting);
    EXPECT_EQ(observer.last().code, 0);
    EXPECT_EQ(observer.last().detail, "已用系统 mstsc 打开会话");
    EXPECT_EQ(observer.last().mode, "mstsc");
    // The client reports nothing, so no deadline may close its tab.
    EXPECT_EQ(session.connectDeadline(), 0u);
    EXPECT_TRUE(log.hasPrefix("INFO", "mstsc.exe 窗口已内嵌，pid="));

    HWND client = session.controlWindow();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(GetParent(client), session.hostWindow());
    EXPECT_EQ(Title(client), L"远程桌面连接 - db.example:3389");  // port 0 asks for 3389
    const LONG_PTR style = GetWindowLongPtrW(client, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              0);
    RECT rect;
    GetWindowRect(client, &rect);
    MapWindowPoints(nullptr, session.hostWindow(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 900);
    EXPECT_EQ(rect.bottom, 500);

    // A new tab size moves the window and only records the stretched size.
    session.SetBounds(RECT{0, 0, 700, 400});
    GetWindowRect(client, &rect);
    EXPECT_EQ(rect.right - rect.left, 700);
    EXPECT_EQ(rect.bottom - rect.top, 400);
    EXPECT_TRUE(log.has("INFO", "mstsc 模式：画面按窗口尺寸 700x400 拉伸显示"));
    EXPECT_EQ(session.remoteWidth(), 700);
    EXPECT_EQ(session.remoteHeight(), 400);
    EXPECT_EQ(session.state(), SessionState::Connecting);
}

TEST_F(ExternalClient, DisconnectOfAClientThatClosesDoesNotWaitItOut) {
    ASSERT_TRUE(session.Connect(TestServer("db.example", 3390), &observer, true));
    const DWORD start = GetTickCount();
    session.Disconnect();
    EXPECT_LT(GetTickCount() - start, 2500u);
    EXPECT_EQ(session.controlWindow(), nullptr);
    EXPECT_EQ(observer.last().state, SessionState::Disconnected);
    EXPECT_EQ(observer.last().code, 1);
    EXPECT_EQ(observer.last().detail, "已断开");
}

TEST_F(ExternalClient, NarrowWindowsAreSkippedForTheMainWindow) {
    ClientBehaviours behaviours(L"narrow-first");
    ASSERT_TRUE(session.Connect(TestServer("db.example", 3390), &observer, true));
    EXPECT_EQ(Title(session.controlWindow()), L"远程桌面连接 - db.example:3390");
}

TEST_F(ExternalClient, AnOwnedDialogIsNotTakenForTheMainWindow) {
    ClientBehaviours behaviours(L"owned");
    ASSERT_TRUE(session.Connect(TestServer("db.example", 3390), &observer, true));
    EXPECT_EQ(Title(session.controlWindow()), L"远程桌面连接 - db.example:3390");
}

TEST_F(ExternalClient, NoUsableWindowEndsTheClientAndFails) {
    ClientBehaviours behaviours(L"narrow-only");
    session.SetClientWindowSearch(15, 50);
    EXPECT_FALSE(session.Connect(TestServer("db.example", 3390), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "等待 mstsc.exe 窗口超时"));
    EXPECT_EQ(observer.last().state, SessionState::Failed);
    EXPECT_EQ(observer.last().code, -1);
    EXPECT_EQ(session.mode(), "none");
    // The narrow window went with its terminated process.
    EXPECT_TRUE(PumpUntil([] { return ClientWindowsOnScreen() == 0; }, 3000));
}

TEST_F(ExternalClient, AClientIgnoringCloseIsTerminated) {
    ClientBehaviours behaviours(L"ignore-close");
    ASSERT_TRUE(session.Connect(TestServer("db.example", 3390), &observer, true));
    const DWORD start = GetTickCount();
    session.Close();
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 1900u);  // it waited its 2 s before ending the client
    EXPECT_LT(took, 6000u);
    EXPECT_EQ(session.state(), SessionState::Idle);
    EXPECT_EQ(session.mode(), "none");
}

TEST_F(ExternalClient, AHostThatWouldAddArgumentsIsRefused) {
    EXPECT_FALSE(session.Connect(TestServer("db.example /admin", 3390), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "主机地址含有空格、引号或控制字符，不能交给 mstsc.exe：db.example /admin"));
    EXPECT_FALSE(log.hasPrefix("ERROR", "等待 mstsc.exe"));
    EXPECT_EQ(observer.last().state, SessionState::Failed);
    EXPECT_EQ(observer.last().code, -1);
    EXPECT_EQ(observer.last().detail, "主机地址含有空格、引号或控制字符，无法打开会话");
    EXPECT_EQ(ClientWindowsOnScreen(), 0);
}
