#include <gtest/gtest.h>

#include <string>

#include "core/win_handle.h"
#include "rdp/client_reaper.h"
#include "rdp/session_test_support.h"
#include "support/screen.h"

namespace {

constexpr RECT kHostRect = {0, 0, 900, 500};

// The stand-in client's behaviours (see standins/mstsc) for the processes
// started while the object lives.
class ClientBehaviours {
public:
    explicit ClientBehaviours(const wchar_t* list) {
        SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", list);
    }
    ~ClientBehaviours() { SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN", nullptr); }
    ClientBehaviours(const ClientBehaviours&) = delete;
    ClientBehaviours& operator=(const ClientBehaviours&) = delete;
};

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

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

bool ProcessRuns(DWORD id) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

class ExternalClient : public SessionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(control.ok());
        ASSERT_TRUE(session.Create(parent.get(), kHostRect, "ext"));
    }
    void TearDown() override {
        session.Close();
        // Every client started by a test is gone once its session closed.
        EXPECT_TRUE(
            PumpUntil([] { return ClientWindowsOnScreen() == 0 && PendingClientReaps() == 0; }, 5000));
    }
    // Connects and waits until the client's window is embedded.
    void ConnectEmbedded(const ServerRecord& server) {
        ASSERT_TRUE(session.Connect(server, &observer, true));
        ASSERT_TRUE(PumpUntil([&] { return session.controlWindow() != nullptr; }));
    }

    StandinControl control{L""};  // no ProgID: the control is never found
    RdpSession session;
};

}  // namespace

TEST_F(ExternalClient, ItsMainWindowIsEmbeddedAsAChildFillingTheTab) {
    ConnectEmbedded(TestServer("db.example", 0));
    ASSERT_EQ(observer.reports.size(), 2u);
    EXPECT_EQ(observer.last().text(), "1 0 mstsc 已用系统 mstsc 打开会话");
    // The client reports nothing, so no deadline may close its tab.
    EXPECT_EQ(session.connectDeadline(), 0u);
    EXPECT_TRUE(log.hasPrefix("INFO", "mstsc.exe 窗口已内嵌，pid="));

    HWND client = session.controlWindow();
    EXPECT_EQ(GetParent(client), session.hostWindow());
    EXPECT_EQ(Title(client), L"远程桌面连接 - db.example:3389");  // port 0 asks for 3389
    const LONG_PTR style = GetWindowLongPtrW(client, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              0);
    const auto placed = [&] {
        RECT r;
        GetWindowRect(client, &r);
        MapWindowPoints(nullptr, session.hostWindow(), reinterpret_cast<POINT*>(&r), 2);
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    };
    EXPECT_EQ(placed(), "0,0,900,500");
    // Saved as "session-external-client.bmp". Under Wine 8 a window of another
    // process drawn inside this one's never reaches the screen: the picture
    // shows the tab the client was embedded in.
    PumpFor(500);
    WindowPicture picture;
    ASSERT_TRUE(picture.Take(SharedTopLevel()));
    EXPECT_FALSE(picture.Flat());
    EXPECT_TRUE(picture.Save("session-external-client.bmp"));

    // A new tab size moves the window and only records the stretched size.
    session.SetBounds(RECT{0, 0, 700, 400});
    EXPECT_EQ(placed(), "0,0,700,400");
    EXPECT_TRUE(log.has("INFO", "mstsc 模式：画面按窗口尺寸 700x400 拉伸显示"));
    EXPECT_EQ(session.remoteWidth(), 700);
    EXPECT_EQ(session.state(), SessionState::Connecting);
}

TEST_F(ExternalClient, ConnectDoesNotWaitForTheClientsWindowNorKeepsOneThatClosed) {
    // The main window comes 500 ms late, with a dialog it owns.
    ClientBehaviours behaviours(L"narrow-first,owned");
    ASSERT_TRUE(session.Connect(TestServer("db.example", 3390), &observer, true));
    EXPECT_EQ(session.controlWindow(), nullptr);
    EXPECT_TRUE(session.WaitingForClient());
    EXPECT_EQ(observer.reports.size(), 1u);
    // The narrow window and the dialog are skipped; the main one is embedded when it comes.
    ASSERT_TRUE(PumpUntil([&] { return observer.reports.size() == 2; }));
    EXPECT_EQ(observer.last().detail, "已用系统 mstsc 打开会话");
    EXPECT_EQ(Title(session.controlWindow()), L"远程桌面连接 - db.example:3390");
    EXPECT_FALSE(session.WaitingForClient());

    // Closed by the user inside the tab, the window is forgotten.
    HWND client = session.controlWindow();
    PostMessageW(client, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(client); }));
    EXPECT_TRUE(PumpUntil([&] { return session.controlWindow() == nullptr; }));
    EXPECT_EQ(session.state(), SessionState::Connecting);
}

// No control is registered and the client never shows a usable window: the
// session fails in mode "none", and the client is ended.
TEST_F(ExternalClient, NeitherControlNorClientWindowFailsWithModeNone) {
    ClientBehaviours behaviours(L"narrow-only");
    session.SetClientWindowSearch(15, 50);
    // The client starts; that it never shows a main window is found later.
    EXPECT_TRUE(session.Connect(TestServer("db01.example", 3390), &observer, true));
    ASSERT_TRUE(PumpUntil([&] { return observer.saw(SessionState::Failed); }));
    EXPECT_EQ(observer.texts(),
              (std::vector<std::string>{"1 0 none 正在连接 db01.example ...",
                                        "4 -1 none 无法创建远程桌面会话（控件与 mstsc 都不可用）"}));
    EXPECT_EQ(session.connectDeadline(), 0u);
    EXPECT_TRUE(log.has("WARN", "系统里找不到 MsTscAx 控件注册，改用 mstsc.exe 模式"));
    EXPECT_TRUE(log.has("ERROR", "等待 mstsc.exe 窗口超时"));
    // The narrow window went with its terminated process.
    EXPECT_TRUE(PumpUntil([] { return ClientWindowsOnScreen() == 0; }, 3000));
    // Disconnect in mode "none" still reports the user's disconnect.
    session.Disconnect();
    EXPECT_EQ(observer.last().text(), "3 1 none 已断开");
}

// Disconnect returns at once and reports once the client has gone; one that
// ignores the request is ended after its grace time.
TEST_F(ExternalClient, DisconnectReportsOnceTheClientHasGone) {
    ClientBehaviours behaviours(L"ignore-close");
    ConnectEmbedded(TestServer("db.example", 3390));
    const DWORD disconnected = ProcessOf(session.controlWindow());
    session.Disconnect();
    EXPECT_EQ(session.controlWindow(), nullptr);
    EXPECT_TRUE(session.WaitingForClient());
    EXPECT_EQ(observer.last().state, SessionState::Connecting);
    EXPECT_TRUE(ProcessRuns(disconnected));
    ASSERT_TRUE(PumpUntil([&] { return observer.saw(SessionState::Disconnected); }, 6000));
    EXPECT_EQ(observer.last().text(), "3 1 mstsc 已断开");
    EXPECT_FALSE(ProcessRuns(disconnected));

    // Close hands a second such client to the reaper and returns at once.
    RdpSession second;
    ASSERT_TRUE(second.Create(parent.get(), kHostRect, "ext2"));
    ASSERT_TRUE(second.Connect(TestServer("db.example", 3391), nullptr, true));
    ASSERT_TRUE(PumpUntil([&] { return second.controlWindow() != nullptr; }));
    const DWORD closed = ProcessOf(second.controlWindow());
    second.Close();
    EXPECT_EQ(second.state(), SessionState::Idle);
    EXPECT_EQ(second.mode(), SessionMode::None);
    EXPECT_TRUE(ProcessRuns(closed));
    EXPECT_EQ(PendingClientReaps(), 1);
    EXPECT_TRUE(PumpUntil([&] { return !ProcessRuns(closed) && PendingClientReaps() == 0; }, 6000));
}

TEST_F(ExternalClient, AHostThatWouldAddArgumentsIsRefused) {
    EXPECT_FALSE(session.Connect(TestServer("db.example /admin", 3390), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "主机地址含有空格、引号或控制字符，不能交给 mstsc.exe：db.example /admin"));
    EXPECT_FALSE(log.hasPrefix("ERROR", "等待 mstsc.exe"));  // no client was started
    EXPECT_EQ(observer.last().text(), "4 -1 none 主机地址含有空格、引号或控制字符，无法打开会话");
}
