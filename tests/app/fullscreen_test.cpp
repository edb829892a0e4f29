// Full screen under Wine: a real top-level window stands in for the main
// window, with a tab registry of real sessions against the stand-in control;
// the cursor and the clicks are the system's own.
#include "app/fullscreen.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controller/main_window_messages.h"
#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "rdp/session_test_support.h"

namespace {

// Wine's X11 driver, with no window manager on the display, takes every
// configure event of a window it thinks a window manager manages for that
// manager's verdict and un-maximizes any maximized window that is moved at
// all. Left unmanaged, this program's windows keep the states Windows would
// give them. Read when the driver loads, so set before any window exists.
const bool g_unmanagedWindows = [] {
    const wchar_t key[] = L"Software\\Wine\\AppDefaults\\fullscreen_tests.exe\\X11 Driver";
    const wchar_t value[] = L"N";
    return RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Managed", REG_SZ, value, sizeof value) == ERROR_SUCCESS;
}();

constexpr wchar_t kMainClass[] = L"TavolinTestFullscreenMain";
constexpr RECT kNormalRect{100, 80, 1100, 780};

class RecordingPage : public IPageChannel {
public:
    // The sessions' own reports are the tab registry's business.
    void post(const std::string& cmd, const std::string& dataJson) override {
        if (cmd != "sessionState") events.push_back(cmd + " " + dataJson);
    }
    void reload() override {}
    void openDevTools() override {}
    bool isLoaderReady() const override { return true; }
    std::string lastError() const override { return ""; }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
    std::vector<std::string> events;
};

// The main window's messages that reach full screen and the tabs.
TabRegistry* g_registry = nullptr;

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == TIMER_FSBAR) {
        OnFullscreenBarTimer();
    } else if (message == WM_APP_SWITCH_TAB && g_registry != nullptr) {
        g_registry->OnSwitchTabMessage(wParam);
        InvalidateFullscreenBar();
    } else if (message == WM_APP_CLOSE_TAB && g_registry != nullptr) {
        g_registry->OnCloseTabMessage(lParam);
    } else {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return 0;
}

// Shown once for the whole run: under Wine without a window manager every
// top-level show or hide waits on the X server.
HWND MainWindow() {
    static HWND window = nullptr;
    if (window != nullptr) return window;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kMainClass;
    RegisterClassExW(&windowClass);
    window = CreateWindowExW(0, kMainClass, L"Tavolin 全屏测试", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             kNormalRect.left, kNormalRect.top, kNormalRect.right - kNormalRect.left,
                             kNormalRect.bottom - kNormalRect.top, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    PumpFor(100);
    return window;
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

// Where the window goes when it is restored.
std::string NormalPosition(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return Describe(placement.rcNormalPosition);
}

RECT MonitorRect(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcMonitor;
}

HWND Bar() {
    return FindWindowW(L"TavolinFsBar", nullptr);
}

bool BarShown() {
    return Bar() != nullptr && IsWindowVisible(Bar());
}

// The colour the bar shows at (x, y) of its client area, after it painted.
COLORREF BarPixel(int x, int y) {
    UpdateWindow(Bar());
    HDC dc = GetDC(Bar());
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(Bar(), dc);
    return colour;
}

// Whether any pixel of the bar between the two columns is white: text.
bool WhiteBetween(int left, int right) {
    UpdateWindow(Bar());
    HDC dc = GetDC(Bar());
    bool white = false;
    for (int x = left; x < right && !white; ++x) {
        for (int y = 5; y < 31 && !white; ++y) white = GetPixel(dc, x, y) == RGB(255, 255, 255);
    }
    ReleaseDC(Bar(), dc);
    return white;
}

// A press and release of the left button at screen point (x, y).
void ClickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

std::string RectOf(const RdpSession& session) {
    RECT rect = WindowRect(session.hostWindow());
    MapWindowPoints(nullptr, GetParent(session.hostWindow()), reinterpret_cast<POINT*>(&rect), 2);
    return Describe(rect);
}

class FullscreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(control.ok());
        SetWindowPos(window, HWND_TOP, kNormalRect.left, kNormalRect.top,
                     kNormalRect.right - kNormalRect.left, kNormalRect.bottom - kNormalRect.top,
                     SWP_NOACTIVATE);
        registry = std::make_unique<TabRegistry>(window, page, config);
        g_registry = registry.get();
        registry->SetContentRect(PixelRect{0, 40, 900, 600});
        InitFullscreen(FullscreenHost{window, registry.get(), &page, &config});
        SetCursorPos(800, 600);
    }
    void TearDown() override {
        SetFullscreen(false);
        EndFullscreenQuietly();
        g_registry = nullptr;
        registry.reset();
        ShowWindow(window, SW_RESTORE);
        PumpFor(0);
    }
    // Tabs for the servers in order, each against a peer of its own; the
    // last one opened is active.
    void OpenTabs(const std::vector<ServerRecord>& servers) {
        for (const ServerRecord& server : servers) {
            peers.push_back(std::make_unique<RdpTestPeer>());
            ServerRecord record = server;
            record.port = peers.back()->port();
            config.servers.push_back(record);
            registry->OpenTab(record);
        }
        page.Take();
    }

    StandinControl control;
    HWND window = MainWindow();
    RecordingPage page;
    AppConfig config;
    std::vector<std::unique_ptr<RdpTestPeer>> peers;
    std::unique_ptr<TabRegistry> registry;
};

ServerRecord Server(const std::string& id, const std::string& remark) {
    ServerRecord server = TestServer("127.0.0.1", 0);
    server.id = id;
    server.remark = remark;
    return server;
}

const LONG kFrame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

}  // namespace

TEST_F(FullscreenTest, TogglingTwiceRestoresTheExactRectangleStyleAndMaximizedState) {
    OpenTabs({Server("a", "")});
    const RdpSession& session = *registry->FindTab("a")->session;
    for (const bool maximized : {false, true}) {
        SCOPED_TRACE(maximized ? "maximized" : "normal");
        if (maximized) ShowWindow(window, SW_MAXIMIZE);
        PumpFor(50);
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        const RECT rect = WindowRect(window);
        const std::string restored = NormalPosition(window);
        ASSERT_EQ(IsZoomed(window) != FALSE, maximized);

        ToggleFullscreen();
        PumpFor(200);
        EXPECT_TRUE(IsFullscreen());
        const LONG full = GetWindowLongW(window, GWL_STYLE);
        EXPECT_EQ(full & kFrame, 0);
        EXPECT_NE(full & WS_POPUP, 0);
        EXPECT_EQ(Describe(WindowRect(window)), Describe(MonitorRect(window)));
        const RECT monitor = MonitorRect(window);
        EXPECT_EQ(RectOf(session),
                  Describe(RECT{0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top}));
        SetFullscreen(true);  // already on: nothing
        EXPECT_EQ(page.Take(), std::vector<std::string>{"fullscreen {\"on\":true}"});

        ToggleFullscreen();
        PumpFor(200);  // whatever the system does with the window afterwards
        EXPECT_FALSE(IsFullscreen());
        EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), style);
        EXPECT_EQ(Describe(WindowRect(window)), Describe(rect));
        EXPECT_EQ(IsZoomed(window) != FALSE, maximized);
        EXPECT_EQ(NormalPosition(window), restored);
        EXPECT_EQ(RectOf(session), "(0, 40, 900, 600)");
        EXPECT_EQ(Bar(), nullptr);
        SetFullscreen(false);
        EXPECT_EQ(page.Take(), std::vector<std::string>{"fullscreen {\"on\":false}"});
    }
}

TEST_F(FullscreenTest, TheBarShowsForItsDelayHidesAndReturnsAtTheTopEdge) {
    const DWORD entered = GetTickCount();
    SetFullscreen(true);
    ASSERT_TRUE(BarShown());
    const RECT monitor = MonitorRect(window);
    EXPECT_EQ(Describe(WindowRect(Bar())),
              Describe(RECT{monitor.left, monitor.top, monitor.right, monitor.top + 36}));
    EXPECT_EQ(GetWindow(Bar(), GW_OWNER), window);
    EXPECT_NE(GetWindowLongW(Bar(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // The cursor stays away: the bar goes after its two seconds, not before.
    ASSERT_TRUE(PumpUntil([] { return !BarShown(); }, 6000));
    EXPECT_GE(GetTickCount() - entered, 2000u);
    ASSERT_NE(Bar(), nullptr);  // hidden, not destroyed

    SetCursorPos(monitor.left + 700, monitor.top + 2);
    EXPECT_TRUE(PumpUntil([] { return BarShown(); }, 3000));
}

TEST_F(FullscreenTest, TheBarPaintsTheTabsAndItsClicksSwitchTabsAndLeave) {
    OpenTabs({Server("a", "财务"), Server("b", ""), Server("c", "备份")});
    SetFullscreen(true);
    ASSERT_TRUE(BarShown());
    page.Take();
    const RECT bar = WindowRect(Bar());
    const int width = bar.right - bar.left;
    EXPECT_EQ(BarPixel(3, 18), RGB(28, 32, 42));
    EXPECT_EQ(BarPixel(3, 35), RGB(58, 64, 78));
    EXPECT_EQ(BarPixel(12, 8), RGB(44, 49, 61));
    EXPECT_EQ(BarPixel(168, 8), RGB(44, 49, 61));
    EXPECT_EQ(BarPixel(324, 8), RGB(59, 130, 246));  // "c", opened last
    EXPECT_EQ(BarPixel(480, 8), RGB(28, 32, 42));    // no fourth tab
    EXPECT_EQ(BarPixel(width - 100, 8), RGB(185, 65, 65));
    EXPECT_TRUE(WhiteBetween(174, 308));  // the second label, its host
    EXPECT_TRUE(WhiteBetween(width - 104, width - 8));
    EXPECT_FALSE(WhiteBetween(159, 164));  // the gap between two buttons
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    EnsureDir(folder);
    EXPECT_TRUE(SaveWindowPicture(Bar(), JoinPath(folder, "fullscreen-bar.bmp")));

    ClickAt(bar.left + 20, bar.top + 18);
    ASSERT_TRUE(PumpUntil([&] { return registry->activeTabId() == "a"; }));
    EXPECT_EQ(page.Take(), std::vector<std::string>{"tabActivated {\"id\":\"a\"}"});
    EXPECT_EQ(BarPixel(12, 8), RGB(59, 130, 246));
    EXPECT_EQ(BarPixel(324, 8), RGB(44, 49, 61));
    EXPECT_TRUE(IsWindowVisible(registry->FindTab("a")->session->hostWindow()));
    ClickAt(bar.left + 20, bar.top + 18);   // the active tab: nothing
    ClickAt(bar.left + 161, bar.top + 18);  // between two buttons: nothing
    PumpFor(200);
    EXPECT_EQ(page.Take(), std::vector<std::string>{});

    PostMessageW(window, WM_APP_SWITCH_TAB, static_cast<WPARAM>(-1), 0);
    ASSERT_TRUE(PumpUntil([&] { return registry->activeTabId() == "c"; }));
    EXPECT_EQ(BarPixel(324, 8), RGB(59, 130, 246));
    page.Take();

    ClickAt(bar.right - 50, bar.top + 18);
    ASSERT_TRUE(PumpUntil([] { return !IsFullscreen(); }));
    EXPECT_EQ(Bar(), nullptr);
    EXPECT_EQ(page.Take(), std::vector<std::string>{"fullscreen {\"on\":false}"});
}
