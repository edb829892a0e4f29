// The main window in this process: a real window with its real timers, the
// stand-in browser runtime with the test in the page's place, and sessions
// against the stand-in RDP control.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/fullscreen.h"
#include "app/main_window_keys.h"
#include "app/page_peer.h"
#include "config/config_store.h"
#include "config/export_csv.h"
#include "controller/host_environment.h"
#include "controller/main_window_messages.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/unicode.h"
#include "rdp/session_test_support.h"
#include "standins/rdp_test_peer.h"
#include "support/message_pump.h"
#include "support/test_support.h"

namespace {

class RecordingProbes : public IProbes {
public:
    void Submit(const std::vector<ProbeJob>& jobs) override { sweeps.push_back(jobs); }
    void SetTimeout(int) override {}
    std::vector<std::vector<ProbeJob>> sweeps;
};

// A Linux program on the display the Wine session shows its windows on.
bool RunOnDisplay(std::vector<std::string> args) {
    using SpawnFn = LONG(__cdecl*)(char* const argv[], int wait);
    auto spawn = reinterpret_cast<SpawnFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (spawn == nullptr) return false;
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

// Real key presses, as the X server delivers them to whatever has the focus.
void PressKeys(const char* keys) {
    ASSERT_TRUE(RunOnDisplay({"/usr/bin/xdotool", "key", "--delay", "30", keys})) << keys;
    PumpFor(300);
}

// The keys a window was sent, by a procedure put in front of its own.
class KeyRecorder {
public:
    explicit KeyRecorder(HWND window) : window_(window) {
        SetPropW(window_, L"TavolinTestKeys", this);
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Record)));
    }
    ~KeyRecorder() {
        if (!IsWindow(window_)) return;
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(window_, L"TavolinTestKeys");
    }
    KeyRecorder(const KeyRecorder&) = delete;
    KeyRecorder& operator=(const KeyRecorder&) = delete;
    int Count(WPARAM key) const {
        int n = 0;
        for (WPARAM k : keys_) n += k == key ? 1 : 0;
        return n;
    }

private:
    static LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<KeyRecorder*>(GetPropW(window, L"TavolinTestKeys"));
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) self->keys_.push_back(wParam);
        return CallWindowProcW(self->previous_, window, message, wParam, lParam);
    }
    HWND window_;
    WNDPROC previous_ = nullptr;
    std::vector<WPARAM> keys_;
};

void DropQuitMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"none");
        SetDataDirOverride(data.path());
        LoadConfig(config);
        static const bool registered = MainWindow::RegisterWindowClass(GetModuleHandleW(nullptr));
        ASSERT_TRUE(registered);
    }
    void TearDown() override {
        window.reset();
        DropQuitMessages();
        SetDataDirOverride("");
        SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", nullptr);
    }
    // The window, with the test attached as its page.
    HWND Open(const std::string& evalExpression = "", const WindowBox& box = WindowBox{40, 40, 1200, 760}) {
        window = std::make_unique<MainWindow>(config, probes, environment, evalExpression);
        HWND created = window->Create(GetModuleHandleW(nullptr), box);
        EXPECT_NE(created, nullptr);
        EXPECT_TRUE(page.Attach(JoinPath(data.path(), "WebView2")));
        return created;
    }
    void AddServer(const std::string& id, const std::string& host, int port) {
        ServerRecord server = TestServer(host, port);
        server.id = id;
        config.servers.push_back(server);
    }

    TempDir data;
    AppConfig config;
    RecordingProbes probes;
    HostEnvironment environment;
    PagePeer page;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

TEST_F(MainWindowTest, TimersSweepTheServersAndEvaluateTheExpressionOnce) {
    AddServer("00000000000000c1", "10.0.0.1", 3389);
    AddServer("00000000000000c2", "10.0.0.2", 3390);
    Open("document.title");
    window->RestartProbeTimer(100);
    ASSERT_TRUE(PumpUntil([&] { return probes.sweeps.size() >= 3; }));
    EXPECT_EQ(probes.sweeps.back().size(), 2u);

    ASSERT_TRUE(page.Send(R"({"cmd":"ready"})"));
    ASSERT_TRUE(page.WaitFor("servers"));
    EXPECT_TRUE(PumpUntil([&] { return page.Evaluations().size() == 1; }));
    // A page that reports ready again does not run the expression again.
    ASSERT_TRUE(page.Send(R"({"cmd":"ready"})"));
    ASSERT_TRUE(page.WaitFor("servers", nullptr, 8000, 1));
    PumpFor(1500);
    EXPECT_EQ(page.Evaluations(), std::vector<std::string>{"document.title"});
}

TEST_F(MainWindowTest, NeverSmallerThanItsMinimum) {
    HWND hwnd = Open();
    SetWindowPos(hwnd, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, kMinWindowWidth);
    EXPECT_EQ(rect.bottom - rect.top, kMinWindowHeight);
}

TEST_F(MainWindowTest, ExportThroughTheSaveDialog) {
    AddServer("00000000000000e1", "10.0.0.5", 3389);
    AddServer("00000000000000e2", "10.0.0.6", 3390);
    HWND hwnd = Open();
    TempDir elsewhere;
    const std::string chosen = elsewhere.file("servers.csv");
    const std::string inData = data.file("servers.csv");
    const struct {
        const char* name;
        std::string path;  // "" cancels
        const char* kind;
        std::string text;
    } cases[] = {
        {"chosen", chosen, "ok", "已导出 2 台服务器（含密码）到 " + chosen},
        {"cancelled", "", "info", "已取消导出"},
        {"the data folder", inData, "error", "不能导出到程序的数据目录（会覆盖配置文件）：" + inData},
    };
    int toasts = 0;
    for (const auto& c : cases) {
        // The dialog is modal: another thread answers it, as a user would.
        std::thread user([&] {
            HWND dialog = nullptr;
            for (int i = 0; i < 200 && dialog == nullptr; ++i, Sleep(50)) {
                dialog = FindWindowW(nullptr, L"导出服务器列表");
            }
            if (dialog == nullptr) return;
            if (!c.path.empty()) SetDlgItemTextW(dialog, 0x47c, ToWide(c.path).c_str());  // the name box
            PostMessageW(dialog, WM_COMMAND, c.path.empty() ? IDCANCEL : IDOK, 0);
        });
        PostMessageW(hwnd, WM_APP_EXPORT_CSV, 0, 0);
        JsonValue toast;
        const bool told = page.WaitFor("toast", &toast, 15000, toasts++);
        user.join();
        ASSERT_TRUE(told) << c.name;
        EXPECT_EQ(toast.getString("type", ""), c.kind) << c.name;
        EXPECT_EQ(toast.getString("text", ""), c.text) << c.name;
    }
    EXPECT_EQ(ReadRawFile(chosen), ExportServersCsv(config));
    EXPECT_FALSE(IsFile(inData));
}

class MainWindowWithSessions : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(control.ok());
        AddServer("00000000000000f1", "127.0.0.1", first.port());
        AddServer("00000000000000f2", "127.0.0.1", second.port());
    }
    void OpenBothTabs() {
        for (const ServerRecord& server : config.servers) window->tabs().OpenTab(server);
        ASSERT_TRUE(first.WaitForConnection(10000));
        ASSERT_TRUE(second.WaitForConnection(10000));
        ASSERT_TRUE(PumpUntil([&] {
            for (const TabEntry& tab : window->tabs().tabs()) {
                if (tab.session->controlWindow() == nullptr) return false;
            }
            return true;
        }));
    }
    HWND ControlWindow(const std::string& id) { return window->tabs().FindTab(id)->session->controlWindow(); }

    StandinControl control;
    RdpTestPeer first;
    RdpTestPeer second;
};

TEST_F(MainWindowWithSessions, DestroyingClosesEverySessionAndTheBrowserAndEndsTheLoop) {
    HWND hwnd = Open();
    OpenBothTabs();
    ASSERT_EQ(window->tabs().TabCount(), 2);
    DropQuitMessages();
    DestroyWindow(hwnd);
    EXPECT_EQ(window->tabs().TabCount(), 0);
    EXPECT_EQ(control.LiveObjects(), 0);
    EXPECT_TRUE(first.WaitForClientClose(5000));
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    // Quietly: the page hears of no tab closing.
    PumpFor(300);
    EXPECT_TRUE(page.All("tabClosed").empty());
}

TEST_F(MainWindowWithSessions, F11AndCtrlTabReachTheProgramWhileASessionHasTheKeyboard) {
    HWND hwnd = Open();
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    OpenBothTabs();
    ASSERT_TRUE(InstallKeyboardHook(hwnd));
    const std::string active = window->tabs().activeTabId();
    const std::string other = active == config.servers[0].id ? config.servers[1].id : config.servers[0].id;
    KeyRecorder keys(ControlWindow(active));
    KeyRecorder otherKeys(ControlWindow(other));
    SetFocus(ControlWindow(active));
    ASSERT_EQ(GetFocus(), ControlWindow(active));

    // Outside full screen Ctrl+Tab is the remote computer's.
    PressKeys("ctrl+Tab");
    EXPECT_EQ(keys.Count(VK_TAB), 1);
    EXPECT_EQ(window->tabs().activeTabId(), active);

    PressKeys("F11");
    EXPECT_TRUE(PumpUntil([] { return IsFullscreen(); }));
    EXPECT_EQ(keys.Count(VK_F11), 0);

    PressKeys("ctrl+Tab");
    EXPECT_NE(window->tabs().activeTabId(), active);
    PressKeys("ctrl+shift+Tab");
    EXPECT_EQ(window->tabs().activeTabId(), active);
    EXPECT_EQ(keys.Count(VK_TAB), 1);
    EXPECT_EQ(otherKeys.Count(VK_TAB), 0);

    PressKeys("F11");
    EXPECT_TRUE(PumpUntil([] { return !IsFullscreen(); }));
    EXPECT_EQ(keys.Count(VK_F11), 0);
    RemoveKeyboardHook();
}

// What a user sees: the page drawn by the stand-in runtime's browser in the
// main window, with a few servers in its list; saved beside the test
// program in "screenshots".
TEST_F(MainWindowTest, Screenshot) {
    SetEnvironmentVariableW(L"TAVOLIN_WEBVIEW_BROWSER", L"window");
    AddServer("00000000000000a1", "10.20.0.11", 3389);
    AddServer("00000000000000a2", "db01.example", 3390);
    window = std::make_unique<MainWindow>(config, probes, environment, "");
    HWND hwnd = window->Create(GetModuleHandleW(nullptr), WindowBox{60, 40, 1280, 800});
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    using JournalFn = int(__stdcall*)(char*, int);
    auto journal = reinterpret_cast<JournalFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"WebView2Loader.dll"), "StandinJournal")));
    ASSERT_NE(journal, nullptr);
    const auto journaled = [&](const char* text) {
        std::string buffer(1 << 20, '\0');
        const int n = journal(&buffer[0], static_cast<int>(buffer.size()));
        return n > 0 && buffer.find(text) != std::string::npos;
    };
    // The page asked for its documents: it runs.
    ASSERT_TRUE(PumpUntil([&] { return journaled("PostWebMessageAsJson {\"cmd\":\"servers\""); }, 30000));
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    EnsureDir(folder);
    const std::string path = JoinPath(folder, "main-window.bmp");
    // Taken again until the page shows in it, which the browser draws in
    // its own time: its accent colour (the add button), which nothing of the
    // window itself has.
    const auto showsThePage = [&] {
        if (!SaveWindowPicture(hwnd, path)) return false;
        const std::string pixels = ReadRawFile(path).substr(54);
        for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) {
            if (pixels.compare(i, 3, "\xF6\x82\x3B") == 0) return true;  // blue, green, red
        }
        return false;
    };
    EXPECT_TRUE(PumpUntil(showsThePage, 15000));
    // Once drawn, the list it was sent takes it a moment more.
    PumpFor(1500);
    EXPECT_TRUE(showsThePage());
}
