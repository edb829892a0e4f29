// The main window in this process: a real window with its real timers and
// full screen, the stand-in browser runtime with the test in the page's
// place, and sessions against the stand-in RDP control; the cursor, the
// keys and the clicks are the system's own.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/fullscreen.h"
#include "app/host_environment.h"
#include "app/main_window_keys.h"
#include "app/main_window_messages.h"
#include "app/page_peer.h"
#include "config/config_store.h"
#include "config/export_csv.h"
#include "config/rdp_file.h"
#include "config/stored_password.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/win_handle.h"
#include "rdp/session_test_support.h"
#include "support/controller_fakes.h"
#include "support/screen.h"

namespace {

// The key presses this thread took from its queue, with their windows.
std::vector<std::pair<HWND, WPARAM>> g_keys;

LRESULT CALLBACK RecordKey(int code, WPARAM removed, LPARAM lParam) {
    const MSG& m = *reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE &&
        (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN)) {
        g_keys.emplace_back(m.hwnd, m.wParam);
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
}

int KeysTo(HWND window, WPARAM key) {
    return static_cast<int>(std::count(g_keys.begin(), g_keys.end(), std::make_pair(window, key)));
}

// Real key presses, as the X server delivers them to whatever has the focus.
void PressKeys(const char* keys) {
    EXPECT_TRUE(Xdotool({"key", "--delay", "30", keys})) << keys;
    PumpFor(300);
}

void DropQuitMessages() {
    for (MSG message; PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);) {
    }
}

std::string Text(const RECT& r) {
    return Format("(%ld, %ld, %ld, %ld)", r.left, r.top, r.right, r.bottom);
}

std::string WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return Text(rect);
}

// Where the window goes when it is restored.
std::string NormalPosition(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return Text(placement.rcNormalPosition);
}

RECT Screen() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

HWND Bar() {
    return FindWindowW(L"TavolinFsBar", nullptr);
}

bool BarShown() {
    return Bar() != nullptr && IsWindowVisible(Bar());
}

// The bar's row y from x on, once it has painted, as runs of colours:
// "bar 8, tab 150, ...".
std::string Runs(int x, int y, int count) {
    UpdateWindow(Bar());
    HDC dc = GetDC(Bar());
    std::vector<COLORREF> row;
    for (int i = 0; i < count; ++i) row.push_back(GetPixel(dc, x + i, y));
    ReleaseDC(Bar(), dc);
    const auto name = [](COLORREF c) -> std::string {
        if (c == RGB(28, 32, 42)) return "bar";
        if (c == RGB(44, 49, 61)) return "tab";
        if (c == RGB(59, 130, 246)) return "active";
        if (c == RGB(185, 65, 65)) return "exit";
        return c == RGB(58, 64, 78) ? "line" : std::to_string(c);
    };
    std::string runs;
    for (std::size_t i = 0, end = 0; i < row.size(); i = end) {
        while (end < row.size() && row[end] == row[i]) ++end;
        runs += (runs.empty() ? "" : ", ") + name(row[i]) + " " + std::to_string(end - i);
    }
    return runs;
}

// Text drawn on the bar's middle row between the two columns: more than one run.
bool TextBetween(int left, int right) {
    return Runs(left, 18, right - left).find(',') != std::string::npos;
}

void ClickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// The data of the messages with this "cmd" posted to the page, as JSON
// texts joined by spaces.
std::string PostedData(const std::string& cmd) {
    std::string all;
    for (const JsonValue& data : Posted(cmd)) all += (all.empty() ? "" : " ") + ToJson(data, -1);
    return all;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDataDirOverride(data.path());
        LoadConfig(config);
        ForgetPosted();
        static const bool registered = MainWindow::RegisterWindowClass(GetModuleHandleW(nullptr));
        ASSERT_TRUE(registered);
    }
    void TearDown() override {
        window.reset();
        DropQuitMessages();
        SetDataDirOverride("");
        SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"none");  // after the screenshot's browser
    }
    // The window, with the test attached as its page.
    HWND Open(bool shown = false, const std::string& evalExpression = "") {
        window = std::make_unique<MainWindow>(config, probes, environment, evalExpression);
        HWND created = window->Create(GetModuleHandleW(nullptr), WindowBox{100, 80, 1000, 700});
        EXPECT_NE(created, nullptr);
        EXPECT_TRUE(page.Attach(local.browserData()));
        if (shown) ShowWindow(created, SW_SHOWNORMAL);
        return created;
    }
    void AddServer(const std::string& id, const std::string& host, int port, const std::string& remark = "") {
        config.servers.push_back(TestServer(host, port));
        config.servers.back().id = id;
        config.servers.back().remark = remark;
    }

    TempDir data;
    TestLocalAppData local;
    AppConfig config;
    FakeProbes probes;
    HostEnvironment environment;
    PagePeer page;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

TEST_F(MainWindowTest, TheCommandLineExpressionIsEvaluatedOnce) {
    Open(false, "document.title");
    ASSERT_TRUE(page.Send(R"({"cmd":"ready"})"));
    ASSERT_TRUE(WaitForPosted("servers"));
    EXPECT_TRUE(PumpUntil([&] { return page.Evaluation(1) == "document.title"; }));
    // A page that reports ready again does not run the expression again.
    const int sent = static_cast<int>(Posted("servers").size());
    ASSERT_TRUE(page.Send(R"({"cmd":"ready"})"));
    ASSERT_TRUE(WaitForPosted("servers", nullptr, sent));
    PumpFor(1500);
    EXPECT_EQ(page.Evaluation(2), "");
}

// Back from sleep, or on a network change, the states shown are stale: a
// sweep starts at once; other power news starts none.
TEST_F(MainWindowTest, ResumeAndNetworkChangesSweepAtOnce) {
    AddServer("a", "10.0.0.1", 3389);
    HWND hwnd = Open();
    const struct {
        UINT message;
        WPARAM wParam;
        std::vector<std::string> sweeps;
    } cases[] = {
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, {"10.0.0.1:3389"}},
        {WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, {}},
        {WM_APP_NETWORK_CHANGED, 0, {"10.0.0.1:3389"}},
    };
    for (const auto& c : cases) {
        probes.sweeps.clear();
        SendMessageW(hwnd, c.message, c.wParam, 0);
        EXPECT_EQ(probes.sweeps, c.sweeps) << c.message << " " << c.wParam;
    }
}

TEST_F(MainWindowTest, NeverSmallerThanItsMinimum) {
    HWND hwnd = Open();
    SetWindowPos(hwnd, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, kMinWindowWidth);
    EXPECT_EQ(rect.bottom - rect.top, kMinWindowHeight);
}

// The page's export commands through the controller to the save dialog:
// the list with or without the passwords the page asked for, one server's
// .rdp file, cancelled, or pointed into the data folder.
TEST_F(MainWindowTest, ExportThroughTheSaveDialog) {
    AddServer("00000000000000e1", "10.0.0.5", 3389);
    AddServer("00000000000000e2", "10.0.0.6", 3390);
    ASSERT_TRUE(SealPassword(config, "pw-e1", &config.servers[0].sealedPassword));
    Open();
    TempDir elsewhere;
    const std::string chosen = elsewhere.file("servers.csv");
    const std::string withPasswords = elsewhere.file("with-passwords.csv");
    const std::string inData = data.file("servers.csv");
    const std::string chosenRdp = elsewhere.file("s.rdp");
    const std::string list = R"({"cmd":"exportServers","data":{"includePasswords":false}})";
    const std::string listWithPasswords = R"({"cmd":"exportServers","data":{"includePasswords":true}})";
    const std::string rdp = R"({"cmd":"exportRdp","data":{"id":"00000000000000e2"}})";
    const struct {
        const std::string& command;
        const wchar_t* title;  // of the dialog it opens
        std::string path;      // "" cancels
        const char* kind;
        std::string text;
    } cases[] = {
        {list, L"导出服务器列表", chosen, "ok", "已导出 2 台服务器（不含密码）到 " + chosen},
        {listWithPasswords, L"导出服务器列表", withPasswords, "ok",
         "已导出 2 台服务器（含密码）到 " + withPasswords},
        {list, L"导出服务器列表", "", "info", "已取消导出"},
        {list, L"导出服务器列表", inData, "error", "不能导出到程序的数据目录（会覆盖配置文件）：" + inData},
        {rdp, L"导出为 .rdp 文件", chosenRdp, "ok", "已导出到 " + chosenRdp},
        {rdp, L"导出为 .rdp 文件", "", "info", "已取消导出"},
    };
    int toasts = 0;
    for (const auto& c : cases) {
        // The dialog is modal: another thread answers it, as a user would.
        std::thread user([&] {
            HWND dialog = nullptr;
            for (int i = 0; i < 200 && dialog == nullptr; ++i, Sleep(50)) {
                dialog = FindWindowW(nullptr, c.title);
            }
            if (dialog == nullptr) return;
            if (!c.path.empty()) SetDlgItemTextW(dialog, 0x47c, ToWide(c.path).c_str());  // the name box
            PostMessageW(dialog, WM_COMMAND, c.path.empty() ? IDCANCEL : IDOK, 0);
        });
        EXPECT_TRUE(page.Send(c.command));
        JsonValue toast;
        const bool told = WaitForPosted("toast", &toast, toasts++, 15000);
        user.join();
        ASSERT_TRUE(told) << c.text;
        EXPECT_EQ(toast.getString("type", "") + " " + toast.getString("text", ""), c.kind + (" " + c.text));
    }
    EXPECT_EQ(ReadRawFile(chosen), ExportServersCsv(config.servers, false));
    EXPECT_NE(ReadRawFile(withPasswords).find("10.0.0.5,3389,,pw-e1,"), std::string::npos);
    EXPECT_EQ(ReadRawFile(chosenRdp), WriteRdpFile(config.servers[1]));
    EXPECT_FALSE(IsFile(inData));
}

class MainWindowWithSessions : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(control.ok());
        SetCursorPos(800, 600);  // away from the top edge
    }
    // Tabs of those ids and remarks, each against a peer of its own, with
    // their controls' windows; the last one opened is active.
    void OpenTabs(const std::vector<std::pair<std::string, std::string>>& tabs) {
        for (const auto& [id, remark] : tabs) {
            peers.push_back(std::make_unique<RdpTestPeer>());
            AddServer(id, "127.0.0.1", peers.back()->port(), remark);
            window->tabs().OpenTab(config.servers.back());
        }
        for (const auto& peer : peers) ASSERT_TRUE(peer->WaitForConnection(10000));
        ASSERT_TRUE(PumpUntil([&] {
            for (const TabEntry& tab : window->tabs().tabs()) {
                if (tab.session->controlWindow() == nullptr) return false;
            }
            return true;
        }));
    }
    HWND SessionWindow(const std::string& id) { return window->tabs().FindTab(id)->session->hostWindow(); }
    HWND ControlWindow(const std::string& id) { return window->tabs().FindTab(id)->session->controlWindow(); }

    StandinControl control;
    std::vector<std::unique_ptr<RdpTestPeer>> peers;
};

// The system ending closes at once, without asking the page, every session
// and the browser with it, and ends the message loop.
TEST_F(MainWindowWithSessions, AnEndingSystemClosesEverythingWithoutAsking) {
    HWND hwnd = Open();
    OpenTabs({{"a", ""}, {"b", ""}});
    DropQuitMessages();
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window->tabs().TabCount(), 0);
    EXPECT_EQ(control.LiveObjects(), 0);
    EXPECT_TRUE(peers[0]->WaitForClientClose(5000));
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    // Quietly: the page hears of no tab closing.
    PumpFor(300);
    EXPECT_TRUE(Posted("tabClosed").empty());
    EXPECT_TRUE(Posted("confirmClose").empty());
}

// F11 and Ctrl+Tab as real keys while a session has the keyboard: outside
// full screen Ctrl+Tab is the remote computer's. Full screen and back, from a
// normal and from a maximized window, restores the exact rectangle, style
// and state.
TEST_F(MainWindowWithSessions, F11AndCtrlTabReachTheProgramAndFullScreenRestoresTheWindow) {
    const HWND hwnd = Open(true);
    SetForegroundWindow(hwnd);
    OpenTabs({{"a", ""}, {"b", ""}});
    ASSERT_TRUE(InstallKeyboardHook(hwnd));
    HHOOK recorder = SetWindowsHookExW(WH_GETMESSAGE, &RecordKey, nullptr, GetCurrentThreadId());
    const HWND focused = ControlWindow("b");
    const RECT monitor = Screen();
    const LONG frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    for (const bool maximized : {false, true}) {
        SCOPED_TRACE(maximized ? "maximized" : "normal");
        if (maximized) ShowWindow(hwnd, SW_MAXIMIZE);
        PumpFor(300);  // the X server's answers to the last moves come first
        SetFocus(focused);
        ASSERT_EQ(GetFocus(), focused);
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        const std::string rect = WindowRect(hwnd), restored = NormalPosition(hwnd);
        PressKeys("ctrl+Tab");
        EXPECT_EQ(window->tabs().activeTabId(), "b");

        PressKeys("F11");
        ASSERT_TRUE(PumpUntil([] { return IsFullscreen(); }));
        PumpFor(200);  // whatever the system does with the window afterwards
        // Not maximized either: a maximized window stays within the work area.
        EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & (frame | WS_POPUP | WS_MAXIMIZE), WS_POPUP);
        EXPECT_EQ(WindowRect(hwnd), Text(monitor));
        EXPECT_EQ(WindowRect(SessionWindow("b")), Text(monitor));  // the active session fills it
        SetFullscreen(true);                                       // already on: nothing
        PressKeys("ctrl+Tab");
        EXPECT_EQ(window->tabs().activeTabId(), "a");
        PressKeys("ctrl+shift+Tab");
        EXPECT_EQ(window->tabs().activeTabId(), "b");

        PressKeys("F11");
        ASSERT_TRUE(PumpUntil([] { return !IsFullscreen(); }));
        PumpFor(200);
        EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE), style);
        EXPECT_EQ(WindowRect(hwnd), rect);
        EXPECT_EQ(IsZoomed(hwnd) != FALSE, maximized);
        EXPECT_EQ(NormalPosition(hwnd), restored);
        EXPECT_EQ(Bar(), nullptr);
        SetFullscreen(false);
    }
    EXPECT_EQ(KeysTo(focused, VK_TAB), 2);
    EXPECT_EQ(KeysTo(ControlWindow("a"), VK_TAB), 0);
    EXPECT_EQ(KeysTo(focused, VK_F11), 0);
    EXPECT_EQ(PostedData("fullscreen"), R"({"on":true} {"on":false} {"on":true} {"on":false})");
    UnhookWindowsHookEx(recorder);
    RemoveKeyboardHook();
}

// Moved to a monitor of 150 %: the window takes the rectangle the system
// suggests, and the session the content area scaled along, until the page
// (whose CSS sizes did not change) reports it again.
TEST_F(MainWindowWithSessions, AMoveToAMonitorOfAnotherScaleTakesTheSuggestedRectangle) {
    const HWND hwnd = Open(true);
    OpenTabs({{"a", ""}});
    window->tabs().SetContentRect(PixelRect{300, 40, 700, 440});
    window->tabs().LayoutSessions();
    RECT suggested = {40, 30, 40 + 1500, 30 + 1000};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(WindowRect(hwnd), Text(suggested));
    EXPECT_EQ(PlacedIn(SessionWindow("a"), hwnd), "450,60,1050,660");
}

// F11 pressed while the interface thread is busy for longer than the
// system gives a low-level hook: the key is still the program's, never the
// session's, and full screen follows once the thread is back.
TEST_F(MainWindowWithSessions, F11StaysTheProgramsWhileTheInterfaceThreadIsStalled) {
    const HWND hwnd = Open(true);
    SetForegroundWindow(hwnd);
    OpenTabs({{"a", ""}});
    ASSERT_TRUE(InstallKeyboardHook(hwnd));
    HHOOK recorder = SetWindowsHookExW(WH_GETMESSAGE, &RecordKey, nullptr, GetCurrentThreadId());
    const HWND focused = ControlWindow("a");
    SetFocus(focused);
    ASSERT_EQ(GetFocus(), focused);
    g_keys.clear();
    const UniqueHandle stalling(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread typist([&stalling] {
        WaitForSingleObject(stalling.get(), INFINITE);
        INPUT keys[2] = {};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wVk = VK_F11;
        }
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    });
    SetEvent(stalling.get());
    Sleep(3000);  // the stall itself: longer than any low-level hook time-out
    typist.join();
    ASSERT_TRUE(PumpUntil([] { return IsFullscreen(); }));
    PumpFor(200);
    EXPECT_EQ(KeysTo(focused, VK_F11), 0);
    SetFullscreen(false);
    UnhookWindowsHookEx(recorder);
    RemoveKeyboardHook();
}

// The bar shows for its delay, hides and returns at the top edge; it paints
// the tabs, and its clicks switch tabs and leave.
TEST_F(MainWindowWithSessions, TheFullScreenBarShowsPaintsTheTabsAndItsClicksSwitchTabsAndLeave) {
    const HWND hwnd = Open(true);
    OpenTabs({{"a", "财务"}, {"b", ""}, {"c", "备份"}});
    SetForegroundWindow(hwnd);
    const DWORD entered = GetTickCount();
    SetFullscreen(true);
    ASSERT_TRUE(BarShown());
    // Never the active window: the keys stay with the session.
    EXPECT_NE(GetWindowLongW(Bar(), GWL_EXSTYLE) & WS_EX_NOACTIVATE, 0);
    EXPECT_EQ(GetActiveWindow(), hwnd);
    const RECT monitor = Screen();
    RECT bar = {};
    GetWindowRect(Bar(), &bar);
    EXPECT_EQ(Text(bar), Text(RECT{monitor.left, monitor.top, monitor.right, monitor.top + 36}));
    EXPECT_EQ(GetWindow(Bar(), GW_OWNER), hwnd);
    EXPECT_NE(GetWindowLongW(Bar(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The cursor stays away: the bar goes after its two seconds, not before.
    ASSERT_TRUE(PumpUntil([] { return !BarShown(); }, 6000));
    EXPECT_GE(GetTickCount() - entered, 2000u);
    ASSERT_NE(Bar(), nullptr);  // hidden, not destroyed
    SetCursorPos(bar.left + 700, bar.top + 2);
    ASSERT_TRUE(PumpUntil([] { return BarShown(); }, 3000));

    const int width = bar.right - bar.left;
    // Above the labels: the three buttons ("c" opened last) and no fourth;
    // the exit button; the bottom line.
    const std::string cActive = "bar 8, tab 150, bar 6, tab 150, bar 6, active 150, bar 10";
    EXPECT_EQ(Runs(0, 8, 480), cActive);
    EXPECT_EQ(Runs(width - 112, 8, 112), "bar 8, exit 96, bar 8");
    EXPECT_EQ(Runs(0, 35, width), "line " + std::to_string(width));
    EXPECT_TRUE(TextBetween(174, 308));  // the second label, its host
    EXPECT_TRUE(TextBetween(width - 104, width - 8));
    EXPECT_FALSE(TextBetween(0, 8));
    EXPECT_FALSE(TextBetween(width - 8, width));
    WindowPicture picture;
    EXPECT_TRUE(picture.Take(Bar()) && picture.Save("fullscreen-bar.bmp"));

    ClickAt(bar.left + 20, bar.top + 18);
    ASSERT_TRUE(PumpUntil([&] { return window->tabs().activeTabId() == "a"; }));
    EXPECT_EQ(GetActiveWindow(), hwnd);  // the click did not activate the bar
    EXPECT_NE(GetFocus(), Bar());
    EXPECT_EQ(PostedData("tabActivated"), R"({"id":"a"})");
    EXPECT_EQ(Runs(0, 8, 480), "bar 8, active 150, bar 6, tab 150, bar 6, tab 150, bar 10");
    EXPECT_TRUE(IsWindowVisible(SessionWindow("a")));
    ClickAt(bar.left + 20, bar.top + 18);   // the active tab: nothing
    ClickAt(bar.left + 161, bar.top + 18);  // between two buttons: nothing
    PumpFor(200);
    EXPECT_EQ(Posted("tabActivated").size(), 1u);

    PostMessageW(hwnd, WM_APP_SWITCH_TAB, static_cast<WPARAM>(-1), 0);
    ASSERT_TRUE(PumpUntil([&] { return window->tabs().activeTabId() == "c"; }));
    EXPECT_EQ(Runs(0, 8, 480), cActive);

    ClickAt(bar.right - 50, bar.top + 18);
    ASSERT_TRUE(PumpUntil([] { return !IsFullscreen(); }));
    EXPECT_EQ(Bar(), nullptr);
    EXPECT_EQ(PostedData("fullscreen"), R"({"on":true} {"on":false})");
}

// What a user sees: the page drawn by the stand-in runtime's browser in the
// main window, with a few servers in its list. Last: the browser's window
// may stay a moment after.
class MainWindowPicture : public MainWindowTest {};

TEST_F(MainWindowPicture, Screenshot) {
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"window");
    AddServer("00000000000000a1", "10.20.0.11", 3389);
    AddServer("00000000000000a2", "db01.example", 3390);
    window = std::make_unique<MainWindow>(config, probes, environment, "");
    HWND hwnd = window->Create(GetModuleHandleW(nullptr), WindowBox{60, 40, 1280, 800});
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    // Taken again until the browser, in its own time, has drawn the page:
    // its accent colour (the add button), which nothing of the window itself
    // has. Once drawn, the list it was sent takes it a moment more.
    WindowPicture picture;
    const auto showsThePage = [&] { return picture.Take(hwnd) && picture.Count(RGB(59, 130, 246)) > 0; };
    EXPECT_TRUE(PumpUntil(showsThePage, 45000));
    PumpFor(1500);
    EXPECT_TRUE(showsThePage());
    EXPECT_TRUE(picture.Save("main-window.bmp"));
}
