#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/unicode.h"
#include "core/win_handle.h"
#include "rdp/client_reaper.h"
#include "rdp/session_test_support.h"
#include "support/screen.h"

namespace {

constexpr RECT kHostRect = {0, 0, 900, 500};
constexpr wchar_t kMainClass[] = L"TscShellContainerClass";
constexpr wchar_t kDialogClass[] = L"TavolinMstscDialog";  // the stand-in's status and prompts

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

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Top-level windows of stand-in clients, from whatever process.
int ClientWindowsOnScreen() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            const std::wstring name = ClassOf(window);
            if (name == kMainClass || name == kDialogClass) ++*reinterpret_cast<int*>(context);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// The stand-in's credential prompt, while it is on screen.
HWND Prompt() {
    return FindWindowW(kDialogClass, L"Windows 安全中心");
}

// The user clicks one of the prompt's buttons, as the button tells it.
void Answer(HWND prompt, int button) {
    PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(prompt, button)));
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

std::wstring ImageOf(DWORD id) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!process.valid() || !QueryFullProcessImageNameW(process.get(), 0, path, &length))
        return std::wstring();
    return std::wstring(path, length);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The current folder for the object's life, and a program copied elsewhere
// until it ends, however the test ends.
class Surroundings {
public:
    explicit Surroundings(const std::wstring& folder) {
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(folder.c_str());
    }
    ~Surroundings() {
        if (!copy_.empty()) DeleteFileW(copy_.c_str());
        SetCurrentDirectoryW(previous_);
    }
    Surroundings(const Surroundings&) = delete;
    Surroundings& operator=(const Surroundings&) = delete;
    bool Copy(const std::wstring& from, const std::wstring& to) {
        if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) return false;
        copy_ = to;
        return true;
    }

private:
    wchar_t previous_[MAX_PATH] = {};
    std::wstring copy_;
};

class ExternalClientTab : public SessionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(control.ok());
        session.SetExternalClientOptions(ExternalClientOptions{StandinClientProgram(), 20});
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
    // Connects a client that asks for credentials and waits for its prompt.
    HWND ConnectToPrompt(const ServerRecord& server) {
        EXPECT_TRUE(session.Connect(server, &observer, true));
        EXPECT_TRUE(PumpUntil([] { return Prompt() != nullptr; }));
        return Prompt();
    }

    StandinControl control{L""};  // no ProgID: the control is never found
    RdpSession session;
};

}  // namespace

TEST_F(ExternalClientTab, ItsMainWindowIsEmbeddedAsAChildFillingTheTab) {
    ConnectEmbedded(TestServer("db.example", 0));
    EXPECT_EQ(observer.texts(), (std::vector<std::string>{"1 0 none 正在连接 db.example ...",
                                                          "1 0 mstsc 等待远程桌面客户端窗口…",
                                                          "1 0 mstsc 已用系统 mstsc 打开会话"}));
    // The client reports nothing, so no deadline may close its tab.
    EXPECT_EQ(session.connectDeadline(), 0u);
    EXPECT_TRUE(log.hasPrefix("INFO", "mstsc.exe 窗口已内嵌，pid="));

    HWND client = session.controlWindow();
    EXPECT_EQ(GetParent(client), session.hostWindow());
    EXPECT_EQ(ClassOf(client), kMainClass);
    EXPECT_EQ(Title(client), L"db.example - 远程桌面连接");  // port 0: the default, which the file leaves out
    const LONG_PTR style = GetWindowLongPtrW(client, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              0);
    EXPECT_EQ(PlacedIn(client, session.hostWindow()), "0,0,900,500");
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
    EXPECT_EQ(PlacedIn(client, session.hostWindow()), "0,0,700,400");
    EXPECT_TRUE(log.has("INFO", "mstsc 模式：画面按窗口尺寸 700x400 拉伸显示"));
    EXPECT_EQ(session.remoteWidth(), 700);
    EXPECT_EQ(session.state(), SessionState::Connecting);
}

// The status window and the credential prompt come first and are the
// user's: they stay top-level windows, and the client is left to them for
// as long as the user takes.
TEST_F(ExternalClientTab, OnlyTheMainWindowIsEmbeddedAndTheUserTakesTheirTimeOverThePrompt) {
    ClientBehaviours behaviours(L"prompt,owned");
    HWND prompt = ConnectToPrompt(TestServer("db.example", 3390));
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(session.WaitingForClient());
    EXPECT_EQ(observer.last().text(), "1 0 mstsc 等待远程桌面客户端窗口…");
    // Ten times the old limit of 200 looks at this pause: nothing may give
    // up on the client while the prompt waits for its answer.
    PumpFor(2500);
    EXPECT_EQ(session.controlWindow(), nullptr);
    EXPECT_EQ(observer.last().detail, "等待远程桌面客户端窗口…");
    EXPECT_EQ(GetAncestor(prompt, GA_ROOT), prompt);
    const DWORD client = ProcessOf(prompt);
    EXPECT_TRUE(ProcessRuns(client));

    Answer(prompt, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return observer.last().detail == "已用系统 mstsc 打开会话"; }));
    EXPECT_EQ(ClassOf(session.controlWindow()), kMainClass);
    EXPECT_EQ(Title(session.controlWindow()), L"db.example:3390 - 远程桌面连接");
    EXPECT_FALSE(session.WaitingForClient());
    // The dialog the main window owns stays a top-level window too.
    HWND owned = FindWindowW(kDialogClass, L"远程桌面连接");
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(GetAncestor(owned, GA_ROOT), owned);

    // Closed by the user inside the tab, the window is forgotten.
    HWND embedded = session.controlWindow();
    PostMessageW(embedded, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(embedded); }));
    EXPECT_TRUE(PumpUntil([&] { return session.controlWindow() == nullptr; }));
    EXPECT_EQ(session.state(), SessionState::Connecting);
}

// A client that ends before it shows its main window (the user cancelled its
// prompt) fails the session in mode "none"; a tab closed while the prompt
// waits ends the client.
TEST_F(ExternalClientTab, ACancelledPromptFailsTheSessionAndClosingTheTabEndsTheClient) {
    ClientBehaviours behaviours(L"prompt");
    HWND prompt = ConnectToPrompt(TestServer("db01.example", 3390));
    ASSERT_NE(prompt, nullptr);
    Answer(prompt, IDCANCEL);
    ASSERT_TRUE(PumpUntil([&] { return observer.saw(SessionState::Failed); }));
    EXPECT_EQ(observer.texts(), (std::vector<std::string>{"1 0 none 正在连接 db01.example ...",
                                                          "1 0 mstsc 等待远程桌面客户端窗口…",
                                                          "4 -1 none 远程桌面客户端没有打开会话就退出了"}));
    EXPECT_EQ(session.connectDeadline(), 0u);
    EXPECT_TRUE(log.has("WARN", "mstsc.exe 没有打开主窗口就退出了"));
    // Disconnect in mode "none" still reports the user's disconnect.
    session.Disconnect();
    EXPECT_EQ(observer.last().text(), "3 1 none 已断开");

    RdpSession second;
    second.SetExternalClientOptions(ExternalClientOptions{StandinClientProgram(), 20});
    ASSERT_TRUE(second.Create(parent.get(), kHostRect, "ext2"));
    ASSERT_TRUE(second.Connect(TestServer("db02.example", 3390), nullptr, true));
    ASSERT_TRUE(PumpUntil([] { return Prompt() != nullptr; }));
    const DWORD waiting = ProcessOf(Prompt());
    second.Close();
    EXPECT_TRUE(PumpUntil([&] { return !ProcessRuns(waiting) && Prompt() == nullptr; }, 5000));
}

// Disconnect returns at once and reports once the client has gone; one that
// ignores the request is ended after its grace time.
TEST_F(ExternalClientTab, DisconnectReportsOnceTheClientHasGone) {
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
    second.SetExternalClientOptions(ExternalClientOptions{StandinClientProgram(), 20});
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

TEST_F(ExternalClientTab, AHostThatWouldAddArgumentsIsRefused) {
    EXPECT_FALSE(session.Connect(TestServer("db.example /admin", 3390), &observer, true));
    EXPECT_TRUE(log.has("ERROR", "主机地址含有空格、引号或控制字符，不能交给 mstsc.exe：db.example /admin"));
    EXPECT_FALSE(log.hasPrefix("ERROR", "启动"));  // no client was started
    EXPECT_EQ(observer.last().text(), "4 -1 none 主机地址含有空格、引号或控制字符，无法打开会话");
}

// By itself a session starts the client of the system folder only: one of
// the same name beside this program, or in the current folder, is never run.
TEST(ExternalClientProgram, OnlyTheSystemFoldersClientIsStarted) {
    const std::wstring system = SystemClientProgram();
    if (GetFileAttributesW(system.c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this system has a client of its own";
    const std::wstring beside = StandinClientProgram();
    Surroundings surroundings(beside.substr(0, beside.find_last_of(L'\\')));
    StandinControl control{L""};
    ParentWindow parent;
    LogCapture log;
    const auto start = [&](RdpSession& session, RecordingObserver& observer) {
        EXPECT_TRUE(session.Create(parent.get(), kHostRect, "sys"));
        return session.Connect(TestServer("db.example", 3390), &observer, true);
    };
    {
        RdpSession session;
        RecordingObserver observer;
        EXPECT_FALSE(start(session, observer));
        EXPECT_EQ(observer.last().text(), "4 -1 none 无法创建远程桌面会话（控件与 mstsc 都不可用）");
    }
    // With one in the system folder, that one runs.
    ASSERT_TRUE(surroundings.Copy(beside, system));
    DWORD client = 0;
    {
        RdpSession session;
        RecordingObserver observer;
        EXPECT_TRUE(start(session, observer));
        EXPECT_TRUE(PumpUntil([&] { return session.controlWindow() != nullptr; }));
        client = ProcessOf(session.controlWindow());
        EXPECT_TRUE(SamePath(ImageOf(client), system)) << ImageOf(client).size();
    }
    EXPECT_TRUE(PumpUntil([&] { return !ProcessRuns(client) && PendingClientReaps() == 0; }, 5000));
}

namespace {

// What the client reads from its file (standins/mstsc) for the processes
// started while the object lives.
class ClientRecord {
public:
    ClientRecord() {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + L"tavolin-mstsc-record.txt";
        DeleteFileW(path_.c_str());
        SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN_RECORD", path_.c_str());
    }
    ~ClientRecord() {
        SetEnvironmentVariableW(L"TAVOLIN_MSTSC_STANDIN_RECORD", nullptr);
        DeleteFileW(path_.c_str());
    }
    ClientRecord(const ClientRecord&) = delete;
    ClientRecord& operator=(const ClientRecord&) = delete;
    // The record's lines; the first names the file read.
    std::vector<std::string> Lines() const {
        std::string text;
        ReadWholeFile(ToUtf8(path_), &text);
        std::istringstream in(text);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::wstring path_;
};

}  // namespace

// The options reach the client through a .rdp file of ours, which is gone
// by the time the client shows its main window; it holds no password.
TEST_F(ExternalClientTab, ItReadsTheServerAndItsOptionsFromAFileDeletedOnceRead) {
    ClientRecord record;
    ServerRecord server = TestServer("db.example", 3390);
    server.user = "alice";
    server.password = "never-in-the-file";
    server.fullscreenOnConnect = true;  // the tab is the client's frame
    server.options.redirectDrives = DriveRedirection::kChosen;
    server.options.driveLetters = "D";
    server.options.keyboardHook = KeyboardHook::kRemote;
    server.options.gatewayMode = GatewayMode::kExplicit;
    server.options.gatewayHost = "gw.corp";
    ConnectEmbedded(server);
    const std::vector<std::string> lines = record.Lines();
    ASSERT_GT(lines.size(), 1u);
    ASSERT_EQ(lines[0].compare(0, 5, "file "), 0) << lines[0];
    const std::string file = lines[0].substr(5);
    EXPECT_NE(file.find("tavolin-"), std::string::npos);
    EXPECT_EQ(GetFileAttributesW(ToWide(file).c_str()), INVALID_FILE_ATTRIBUTES);  // deleted
    const std::vector<std::string> settings(lines.begin() + 1, lines.end());
    for (const char* line : {"full address:s:db.example:3390", "username:s:alice", "screen mode id:i:1",
                             "drivestoredirect:s:D:\\;", "keyboardhook:i:1", "gatewayhostname:s:gw.corp",
                             "gatewayusagemethod:i:2", "gatewayprofileusagemethod:i:1"}) {
        EXPECT_NE(std::find(settings.begin(), settings.end(), line), settings.end()) << line;
    }
    for (const std::string& line : settings) EXPECT_EQ(line.find("never-in-the-file"), std::string::npos);
}
