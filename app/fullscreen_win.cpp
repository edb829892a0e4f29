#include <windows.h>

#include <atomic>

#include "app/dpi_units.h"
#include "app/fullscreen.h"
#include "app/fullscreen_bar.h"
#include "app/main_window_messages.h"
#include "app/monitors.h"
#include "controller/page_events.h"
#include "core/log.h"

namespace {

constexpr UINT kBarPollMs = 200;
// What full screen takes from the window's style; WS_POPUP is then added
// back on its own.
constexpr LONG kFrameStyles =
    static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
constexpr UINT kPlaceFlags = SWP_FRAMECHANGED | SWP_NOACTIVATE;

struct FullscreenState {
    FullscreenHost host{};
    // Also read by the keyboard hook's own thread.
    std::atomic<bool> on{false};
    LONG savedStyle = 0;
    bool savedMaximized = false;
    RECT savedRect{};
    WINDOWPLACEMENT savedPlacement{};
    FullscreenBar bar;
};

FullscreenState& State() {
    static FullscreenState state;
    return state;
}

// The whole monitor the window is on, or false when it can't be asked.
bool QueryMonitor(HWND window, BarRect* out) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return false;
    *out = BarRect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
    return true;
}

void Place(HWND window, const RECT& r) {
    SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, kPlaceFlags);
}

// The page hears of the change, then the active session takes the new area.
void Announce(const FullscreenState& s) {
    if (s.host.page != nullptr) s.host.page->post("fullscreen", FullscreenJson(s.on));
    if (s.host.tabs != nullptr) s.host.tabs->LayoutSessions();
}

void ShowBarFor(FullscreenState& s, const BarRect* monitor) {
    if (s.bar.exists()) return;
    // As tall as its 96-DPI design at the monitor's scale.
    BarRect rect = BarWindowRect(monitor);
    rect.bottom = rect.top + ToDevice(rect.bottom - rect.top, WindowDpi(s.host.mainWindow));
    if (!s.bar.Create(s.host, rect)) {
        Log(kLogWarn, "全屏工具条创建失败");
        return;
    }
    SetTimer(s.host.mainWindow, TIMER_FSBAR, kBarPollMs, nullptr);
}

void Enter(FullscreenState& s) {
    const HWND window = s.host.mainWindow;
    // The flag first: the window's own sizing below already lays out for
    // full screen.
    s.on = true;
    s.savedStyle = GetWindowLongW(window, GWL_STYLE);
    s.savedMaximized = IsZoomed(window) != FALSE;
    GetWindowRect(window, &s.savedRect);
    s.savedPlacement.length = sizeof s.savedPlacement;
    GetWindowPlacement(window, &s.savedPlacement);
    // Not maximized while full screen: the system keeps a maximized window
    // within the work area, under the taskbar.
    SetWindowLongW(
        window, GWL_STYLE,
        (s.savedStyle & ~(kFrameStyles | static_cast<LONG>(WS_MAXIMIZE))) | static_cast<LONG>(WS_POPUP));
    BarRect monitor;
    const bool found = QueryMonitor(window, &monitor);
    if (found) {
        Place(window, RECT{monitor.left, monitor.top, monitor.right, monitor.bottom});
    } else {
        // Where it is, but without the frame.
        SetWindowPos(window, nullptr, 0, 0, 0, 0, kPlaceFlags | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    }
    Announce(s);
    ShowBarFor(s, found ? &monitor : nullptr);
}

void Leave(FullscreenState& s) {
    const HWND window = s.host.mainWindow;
    s.on = false;
    // The frame back, then the placement from before: its normal rectangle
    // and, for a window that was maximized, maximized again by the system.
    SetWindowLongW(window, GWL_STYLE, s.savedStyle & ~static_cast<LONG>(WS_MAXIMIZE));
    // Back where it was, unless that monitor has gone meanwhile: then onto
    // the one it is on now.
    const WindowBox before{s.savedRect.left, s.savedRect.top, s.savedRect.right - s.savedRect.left,
                           s.savedRect.bottom - s.savedRect.top};
    const WindowBox back =
        ReachableBox(before, MonitorWorkAreas(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)));
    s.savedRect = RECT{back.x, back.y, back.x + back.w, back.y + back.h};
    Place(window, s.savedRect);
    if (s.savedMaximized) {
        WINDOWPLACEMENT placement = s.savedPlacement;
        placement.showCmd = SW_SHOWMAXIMIZED;
        SetWindowPlacement(window, &placement);
    }
    Announce(s);
    // Last: the exit button's click that got here runs inside the bar.
    s.bar.Destroy();
    KillTimer(window, TIMER_FSBAR);
}

}  // namespace

void InitFullscreen(const FullscreenHost& host) {
    FullscreenState& s = State();
    EndFullscreenQuietly();
    s.host = host;
    if (host.tabs != nullptr) host.tabs->SetFullscreenQuery(&IsFullscreen);
}

void SetFullscreen(bool on) {
    FullscreenState& s = State();
    if (s.on == on || s.host.mainWindow == nullptr) return;
    if (on) {
        Enter(s);
    } else {
        Leave(s);
    }
}

void ToggleFullscreen() {
    SetFullscreen(!IsFullscreen());
}

bool IsFullscreen() {
    return State().on;
}

bool PlacementBeforeFullscreen(RECT* rect, bool* maximized) {
    const FullscreenState& s = State();
    if (!s.on) return false;
    *rect = s.savedRect;
    *maximized = s.savedMaximized;
    return true;
}

void OnFullscreenBarTimer() {
    FullscreenState& s = State();
    if (s.on) s.bar.Poll();
}

void InvalidateFullscreenBar() {
    State().bar.Invalidate();
}

void EndFullscreenQuietly() {
    FullscreenState& s = State();
    s.bar.Destroy();
    if (s.host.mainWindow != nullptr) KillTimer(s.host.mainWindow, TIMER_FSBAR);
    s.on = false;
}
