// Full screen under Wine: a real top-level window stands in for the main
// window, with a tab registry of real sessions against the stand-in control;
// the cursor and the clicks are the system's own.
#include "app/fullscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    return RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Managed", REG_SZ, L"N", 2 * sizeof(wchar_t)) == 0;
}();

constexpr RECT kNormal{100, 80, 1100, 780};

// What reaches the page, but the sessions' own reports.
class RecordingPage : public IPageChannel {
public:
    void post(const std::string& cmd, const std::string& data) override {
        if (cmd != "sessionState") events.push_back(cmd + " " + data);
    }
    void reload() override {}
    void openDevTools() override {}
    bool isLoaderReady() const override { return true; }
    std::string lastError() const override { return ""; }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
    std::vector<std::string> events;
};

TabRegistry* g_registry = nullptr;

// The main window's part: the bar's timer, and tab switching by keyboard.
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == TIMER_FSBAR) {
        OnFullscreenBarTimer();
    } else if (message == WM_APP_SWITCH_TAB && g_registry != nullptr) {
        g_registry->OnSwitchTabMessage(wParam);
        InvalidateFullscreenBar();
    } else {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return 0;
}

// One for the whole run: every top-level show or hide waits on the X server.
HWND MainWindow() {
    static HWND window = nullptr;
    if (window != nullptr) return window;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = L"TavolinTestFullscreenMain";
    RegisterClassExW(&windowClass);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"Tavolin", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             kNormal.left, kNormal.top, kNormal.right - kNormal.left,
                             kNormal.bottom - kNormal.top, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

std::string WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return Describe(rect);
}

// Where the window goes when it is restored.
std::string NormalPosition(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return Describe(placement.rcNormalPosition);
}

RECT Monitor(HWND window) {
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

// The bar's colours from (x, y) to (x + count - 1, y), once it has painted.
std::vector<COLORREF> BarPixels(int x, int y, int count = 1) {
    UpdateWindow(Bar());
    HDC dc = GetDC(Bar());
    std::vector<COLORREF> colours;
    for (int i = 0; i < count; ++i) colours.push_back(GetPixel(dc, x + i, y));
    ReleaseDC(Bar(), dc);
    return colours;
}

// The row as runs of colours: "bar 8, tab 150, ..." from x on.
std::string Runs(int x, int y, int count) {
    const std::vector<COLORREF> row = BarPixels(x, y, count);
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

// Text drawn somewhere on the bar's middle row between the two columns:
// not all of it in the colour it starts with.
bool TextBetween(int left, int right) {
    const std::vector<COLORREF> row = BarPixels(left, 18, right - left);
    return std::count(row.begin(), row.end(), row[0]) != static_cast<std::ptrdiff_t>(row.size());
}

void ClickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

class FullscreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(control.ok());
        SetWindowPos(window, HWND_TOP, kNormal.left, kNormal.top, kNormal.right - kNormal.left,
                     kNormal.bottom - kNormal.top, SWP_NOACTIVATE);
        g_registry = registry.get();
        registry->SetContentRect(PixelRect{0, 40, 900, 600});
        InitFullscreen(FullscreenHost{window, registry.get(), &page, &config});
        SetCursorPos(800, 600);
    }
    void TearDown() override {
        SetFullscreen(false);
        g_registry = nullptr;
        registry.reset();
        ShowWindow(window, SW_RESTORE);
    }
    // Tabs of those ids and remarks, each against a peer of its own; the last
    // one opened is active.
    void OpenTabs(const std::vector<std::pair<std::string, std::string>>& tabs) {
        for (const auto& [id, remark] : tabs) {
            peers.push_back(std::make_unique<RdpTestPeer>());
            config.servers.push_back(TestServer("127.0.0.1", peers.back()->port()));
            config.servers.back().id = id;
            config.servers.back().remark = remark;
            registry->OpenTab(config.servers.back());
        }
        page.Take();
    }

    StandinControl control;
    HWND window = MainWindow();
    RecordingPage page;
    AppConfig config;
    std::vector<std::unique_ptr<RdpTestPeer>> peers;
    std::unique_ptr<TabRegistry> registry = std::make_unique<TabRegistry>(window, page, config);
};

}  // namespace

TEST_F(FullscreenTest, TogglingTwiceRestoresTheExactRectangleStyleAndMaximizedState) {
    OpenTabs({{"a", ""}});
    const HWND session = registry->FindTab("a")->session->hostWindow();
    const RECT monitor = Monitor(window);
    const LONG frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    for (const bool maximized : {false, true}) {
        SCOPED_TRACE(maximized ? "maximized" : "normal");
        if (maximized) ShowWindow(window, SW_MAXIMIZE);
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        const std::string rect = WindowRect(window), restored = NormalPosition(window);

        ToggleFullscreen();
        PumpFor(200);  // whatever the system does with the window afterwards
        EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (frame | WS_POPUP), WS_POPUP);
        EXPECT_EQ(WindowRect(window), Describe(monitor));
        EXPECT_EQ(WindowRect(session), Describe(monitor));  // the active session fills it
        SetFullscreen(true);                                // already on: nothing
        EXPECT_EQ(page.Take(), std::vector<std::string>{"fullscreen {\"on\":true}"});

        ToggleFullscreen();
        PumpFor(200);
        EXPECT_FALSE(IsFullscreen());
        EXPECT_EQ(GetWindowLongW(window, GWL_STYLE), style);
        EXPECT_EQ(WindowRect(window), rect);
        EXPECT_EQ(IsZoomed(window) != FALSE, maximized);
        EXPECT_EQ(NormalPosition(window), restored);
        EXPECT_EQ(Bar(), nullptr);
        SetFullscreen(false);
        EXPECT_EQ(page.Take(), std::vector<std::string>{"fullscreen {\"on\":false}"});
    }
}

TEST_F(FullscreenTest, TheBarShowsForItsDelayHidesAndReturnsAtTheTopEdge) {
    const DWORD entered = GetTickCount();
    SetFullscreen(true);
    ASSERT_TRUE(BarShown());
    const RECT monitor = Monitor(window);
    EXPECT_EQ(WindowRect(Bar()), Describe(RECT{monitor.left, monitor.top, monitor.right, monitor.top + 36}));
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
    OpenTabs({{"a", "财务"}, {"b", ""}, {"c", "备份"}});
    SetFullscreen(true);
    ASSERT_TRUE(BarShown());
    page.Take();
    RECT bar = {};
    GetWindowRect(Bar(), &bar);
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
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    EnsureDir(folder);
    EXPECT_TRUE(SaveWindowPicture(Bar(), JoinPath(folder, "fullscreen-bar.bmp")));

    ClickAt(bar.left + 20, bar.top + 18);
    ASSERT_TRUE(PumpUntil([&] { return registry->activeTabId() == "a"; }));
    EXPECT_EQ(page.Take(), std::vector<std::string>{"tabActivated {\"id\":\"a\"}"});
    EXPECT_EQ(Runs(0, 8, 480), "bar 8, active 150, bar 6, tab 150, bar 6, tab 150, bar 10");
    EXPECT_TRUE(IsWindowVisible(registry->FindTab("a")->session->hostWindow()));
    ClickAt(bar.left + 20, bar.top + 18);   // the active tab: nothing
    ClickAt(bar.left + 161, bar.top + 18);  // between two buttons: nothing
    PumpFor(200);
    EXPECT_EQ(page.Take(), std::vector<std::string>{});

    PostMessageW(window, WM_APP_SWITCH_TAB, static_cast<WPARAM>(-1), 0);
    ASSERT_TRUE(PumpUntil([&] { return registry->activeTabId() == "c"; }));
    EXPECT_EQ(Runs(0, 8, 480), cActive);
    page.Take();

    ClickAt(bar.right - 50, bar.top + 18);
    ASSERT_TRUE(PumpUntil([] { return !IsFullscreen(); }));
    EXPECT_EQ(Bar(), nullptr);
    EXPECT_EQ(page.Take(), std::vector<std::string>{"fullscreen {\"on\":false}"});
}
