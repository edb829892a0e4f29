// The session and the stand-in control end to end: a real TCP connection to
// a peer on loopback, and every event path driven by that peer.
#include <gtest/gtest.h>

#include "net/loopback_peers.h"
#include "rdp/session_test_support.h"
#include "support/screen.h"

namespace {

class ControlConnection : public PeerSession {
protected:
    // Sends a line and waits for the report it causes.
    const StateReport& After(const std::string& line) {
        const std::size_t before = observer.reports.size();
        EXPECT_TRUE(peer.Send(line));
        EXPECT_TRUE(PumpUntil([&] { return observer.reports.size() > before; })) << line;
        return observer.last();
    }
};

}  // namespace

// Connected and logged on, then ended by the server.
TEST_F(ControlConnection, AnAnsweringServerConnectsAndLogsOn) {
    ServerRecord server = TestServer("127.0.0.1", peer.port());
    server.user = "administrator";
    server.domain = "CORP";
    StartConnected(1280, 780, true, server);
    // The first report comes before the control exists.
    EXPECT_EQ(observer.texts(),
              (std::vector<std::string>{"1 0 none 正在连接 127.0.0.1 ...", "1 0 activex 正在建立连接...",
                                        "2 0 activex 已连接", "2 0 activex 已连接（登录完成）"}));
    EXPECT_TRUE(session.everConnected());
    EXPECT_EQ(session.connectDeadline(), 0u);

    // The site hands out the control's own IDispatch, counted.
    IDispatch* extended = nullptr;
    ASSERT_EQ(session.GetExtendedControl(&extended), S_OK);
    ASSERT_NE(extended, nullptr);
    extended->Release();

    // Created and connected once: a second Create or Connect is refused.
    const HWND host = session.hostWindow();
    EXPECT_FALSE(session.Create(parent.get(), RECT{0, 0, 100, 100}, "peer"));
    EXPECT_TRUE(log.has("ERROR", "会话 peer 已经创建过，不能再次 Create"));
    EXPECT_EQ(session.hostWindow(), host);
    EXPECT_FALSE(session.Connect(TestServer("127.0.0.1", peer.port()), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "会话 peer 已经连接过，不能再次 Connect（重新连接请新建会话）"));
    PumpFor(100);
    EXPECT_EQ(observer.reports.size(), 4u);
    EXPECT_EQ(control.Journal("call Connect").size(), 1u);
    EXPECT_EQ(session.state(), SessionState::Connected);

    // What a user sees, saved as "session-control.bmp": the remote
    // resolution follows the tab.
    session.SetBounds(RECT{10, 10, 1210, 760});
    PumpFor(300);
    WindowPicture picture;
    ASSERT_TRUE(picture.Take(SharedTopLevel()));
    EXPECT_FALSE(picture.Flat());
    EXPECT_TRUE(picture.Save("session-control.bmp"));

    peer.CloseConnection();
    ASSERT_TRUE(PumpUntil([&] { return observer.saw(SessionState::Disconnected); }));
    EXPECT_EQ(observer.last().text(), "3 2308 activex 套接字已被关闭");
}

// The connect deadline is read by the sessions' clock.
TEST_F(ControlConnection, ARefusedPortAndAnUnknownNameEndTheSessionBeforeItsDeadline) {
    ManualClock clock(0xFFFFF000u);  // close to the tick count's wrap: the deadline lies past it
    Start(1000, 600, true, TestServer("127.0.0.1", ClosedLoopbackPort()));
    EXPECT_EQ(session.connectDeadline(), 0xFFFFF000u + 25000u);
    clock.now += 25000;
    EXPECT_FALSE(session.ConnectOverdue());
    clock.now += 1;
    EXPECT_TRUE(session.ConnectOverdue());
    ASSERT_TRUE(PumpUntil([&] { return observer.saw(SessionState::Disconnected); }));
    EXPECT_FALSE(session.ConnectOverdue());  // once the control has answered, no deadline is left
    EXPECT_EQ(observer.last().text(), "3 516 activex 连不上远程计算机：未开启远程桌面、机器关机或网络不可达");
    EXPECT_FALSE(session.everConnected());
    EXPECT_TRUE(log.has(
        "INFO", "[会话 peer] 断开原因码 516：连不上远程计算机：未开启远程桌面、机器关机或网络不可达"));
    session.Close();

    // A label longer than 63 bytes fails inside the resolver: no query
    // leaves the machine.
    RecordingObserver second;
    RdpSession unknown;
    ASSERT_TRUE(unknown.Create(parent.get(), RECT{0, 0, 1000, 600}, "dns"));
    ASSERT_TRUE(unknown.Connect(TestServer(std::string(64, 'a') + ".invalid", 3389), &second, true));
    ASSERT_TRUE(PumpUntil([&] { return second.saw(SessionState::Disconnected); }));
    EXPECT_EQ(second.last().text(), "3 260 activex 找不到这台计算机：可能不在指定网络，或域名不对");
}

// Every event, through the first connection point when none matches exactly.
TEST_F(ControlConnection, ThePeerDrivesEveryEvent) {
    control.SetOption("no_exact_connection_point", 1);
    StartConnected();
    EXPECT_TRUE(log.has("WARN", "未精确匹配事件接口，改用第一个连接点 {336D5562-...}"));
    // The reason comes first, before the attempt and the continue flag. A
    // session that was connected is reconnected by the control, which
    // gives up by itself: no deadline of ours, and OnAutoReconnected
    // connects it again.
    EXPECT_EQ(After("reconnecting 772 1").text(), "1 772 activex 连接中断，正在自动重连...");
    EXPECT_EQ(session.connectDeadline(), 0u);
    EXPECT_EQ(After("reconnected").text(), "2 0 activex 已自动重新连接");
    EXPECT_EQ(After("event 34 1030 -1 2 20").text(), "1 1030 activex 连接中断，正在自动重连...");
    EXPECT_EQ(After("event 2").text(), "2 0 activex 已连接");

    // Width first: the session's idea of the remote size follows.
    ASSERT_TRUE(peer.Send("warning 9"));
    ASSERT_TRUE(peer.Send("size 1920 1080"));
    ASSERT_TRUE(PumpUntil([&] { return log.has("INFO", "远端桌面尺寸变化 1920x1080"); }));
    EXPECT_EQ(session.remoteWidth(), 1920);
    EXPECT_EQ(session.remoteHeight(), 1080);
    EXPECT_TRUE(log.has("WARN", "RDP 警告码 9"));

    // Logon events that do not end the logon are told, not failed; the
    // control giving the keyboard back is no failure either.
    const std::size_t reports = observer.reports.size();
    ASSERT_TRUE(peer.Send("logonerror 2"));
    ASSERT_TRUE(peer.Send("logonerror -2"));
    ASSERT_TRUE(peer.Send("event 23 -1"));
    ASSERT_TRUE(PumpUntil([&] { return observer.focusReleases == 1; }));
    EXPECT_EQ(observer.notices,
              (std::vector<std::string>{"登录未完成，远程桌面显示了登录界面，请在会话中登录"}));
    EXPECT_EQ(observer.reports.size(), reports);
    EXPECT_EQ(session.state(), SessionState::Connected);
    EXPECT_EQ(After("logonerror 0").text(), "4 0 activex 登录失败：用户名或密码不正确");
    EXPECT_EQ(After("fatal 5").text(), "4 5 activex 连接致命错误，代码 5");
    // A reason Microsoft does not document: the control's own description
    // comes before any text of ours.
    control.SetErrorDescription(L"需要网络级别身份验证");
    EXPECT_EQ(After("disconnect 2825").text(), "3 2825 activex 需要网络级别身份验证");
}

// Ctrl+Alt+Left and Right, really pressed in the control's window, give
// the keyboard back to the program.
TEST_F(ControlConnection, TheReleaseFocusKeysGiveTheKeyboardBack) {
    StartConnected();
    SetForegroundWindow(SharedTopLevel());
    session.Focus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == session.controlWindow(); }));
    ASSERT_TRUE(Xdotool({"key", "ctrl+alt+Left"}));
    ASSERT_TRUE(PumpUntil([&] { return observer.focusReleases == 1; }));
    ASSERT_TRUE(Xdotool({"key", "ctrl+alt+Right"}));
    ASSERT_TRUE(PumpUntil([&] { return observer.focusReleases == 2; }));
    EXPECT_EQ(control.Journal("event 23"), (std::vector<std::string>{"event 23 i4:-1", "event 23 i4:1"}));
    EXPECT_EQ(session.state(), SessionState::Connected);
}

// While the control's authentication dialog is up the connection waits for
// the user: the deadline is held however long that takes. The dialog runs
// its own modal loop, so what the test does meanwhile runs from a timer
// that loop dispatches.
struct WhileTheDialogIsUp {
    static inline RdpSession* session = nullptr;
    static inline bool seen = false;
    static inline DWORD deadline = 1;
    static inline bool overdue = true;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        const HWND dialog = FindWindowW(L"TavolinRdpStandinAuthDialog", nullptr);
        if (dialog == nullptr || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) return;
        KillTimer(nullptr, timer);
        seen = true;
        deadline = session->connectDeadline();
        ManualClock::now += 40000;
        overdue = session->ConnectOverdue();
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
};

TEST_F(ControlConnection, TheAuthenticationDialogHoldsTheDeadline) {
    ManualClock clock(1000);
    control.SetOption("auth_dialog_ms", -1);
    WhileTheDialogIsUp::session = &session;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &WhileTheDialogIsUp::Tick);
    Start();
    ASSERT_TRUE(PumpUntil([&] { return session.state() == SessionState::Connected; }));
    KillTimer(nullptr, timer);
    EXPECT_TRUE(WhileTheDialogIsUp::seen);
    EXPECT_EQ(WhileTheDialogIsUp::deadline, 0u);
    EXPECT_FALSE(WhileTheDialogIsUp::overdue);
    std::vector<std::string> order;
    for (const std::string& line : control.Journal("event ")) order.push_back(line.substr(0, 8));
    EXPECT_EQ(order, (std::vector<std::string>{"event 1", "event 18", "event 19", "event 2", "event 3"}));
}

TEST_F(ControlConnection, AUserDisconnectIsReportedThenConfirmedByTheControl) {
    StartConnected();
    session.Disconnect();
    EXPECT_EQ(observer.last().text(), "3 1 activex 已断开");
    ASSERT_TRUE(PumpUntil([&] { return observer.last().text() == "3 1 activex 本地主动断开"; }));
    EXPECT_TRUE(peer.WaitForClientClose(2000));
    session.Close();  // a disconnected control is not asked again
    EXPECT_EQ(control.Journal("call Disconnect").size(), 1u);
}

TEST_F(ControlConnection, UnknownReasonsAreDescribedByTheControl) {
    control.SetOption("extended_reason", 17);
    StartConnected();
    // "x" and 31 Chinese characters are 94 bytes: the cut falls after the
    // 28th, where a cut of the UTF-16 text would keep them all.
    std::string cut = "x";
    for (int i = 0; i < 28; ++i) cut += "断";
    const std::wstring chinese = L"x" + std::wstring(31, L'断');
    const struct {
        const wchar_t* description;
        long mode;
        std::string expected;
    } cases[] = {
        // How a description is cleaned is the description rules' table;
        // one that cleans to nothing falls back to the code.
        {L"服务器拒绝了连接\r\n", 0, "服务器拒绝了连接"},
        {L"An internal error has occurred.", 0, "断开（原因码 9999）"},
        {L"由方法给出", 1, "由方法给出"},          // the property get fails
        {L"空的就再问一次", 2, "空的就再问一次"},  // the property get gives nothing
        {L"两种都不行", 3, "断开（原因码 9999）"},
        {L"不是文本", 4, "断开（原因码 9999）"},  // a number where a text was due
        {nullptr, 0, "断开（原因码 9999）"},
        {chinese.c_str(), 0, cut + "..."},
    };
    for (const auto& c : cases) {
        control.SetErrorDescription(c.description);
        control.SetOption("error_description_mode", c.mode);
        control.ClearJournal();
        Variant reason = Variant::Int(9999);
        DISPPARAMS args = {reason.get(), nullptr, 1, 0};
        session.OnControlEvent(4, &args);
        EXPECT_EQ(observer.last().detail, c.expected) << c.mode;
        EXPECT_EQ(control.Journal("get ExtendedDisconnectReason").size(), 1u);
        // Asked again as a method only when the property get gave nothing.
        std::vector<std::string> asked = {"call GetErrorDescription(get) 9999 17"};
        if (c.mode >= 1 && c.mode <= 3) asked.push_back("call GetErrorDescription(method) 9999 17");
        EXPECT_EQ(control.Journal("call GetErrorDescription"), asked) << c.mode;
    }
}
