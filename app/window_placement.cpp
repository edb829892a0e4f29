#include "app/window_placement.h"

#include <algorithm>

namespace {

// Closer than this to the right or bottom edge, a title bar is out of reach.
constexpr int kEdgeMargin = 200;

}  // namespace

namespace {

bool Reachable(const WindowBox& box, const WindowBox& area) {
    return box.x >= area.x && box.y >= area.y && box.x <= area.x + area.w - kEdgeMargin &&
           box.y <= area.y + area.h - kEdgeMargin;
}

}  // namespace

WindowBox ReachableBox(const WindowBox& box, const std::vector<WindowBox>& monitors) {
    if (monitors.empty()) return box;
    for (const WindowBox& area : monitors) {
        if (Reachable(box, area)) return box;
    }
    const WindowBox& primary = monitors.front();
    // Truncating toward zero, also for a window wider than the monitor.
    return WindowBox{primary.x + (primary.w - box.w) / 2, primary.y + (primary.h - box.h) / 2, box.w, box.h};
}

WindowBox InitialWindowBox(const UiSettings& ui, const std::vector<WindowBox>& monitors, int dpi) {
    WindowBox box{ui.x, ui.y, ui.w, ui.h};
    if (ui.x == -1 && ui.y == -1 && dpi > 96) {
        box.w = static_cast<int>(static_cast<long long>(ui.w) * dpi / 96);
        box.h = static_cast<int>(static_cast<long long>(ui.h) * dpi / 96);
        // Never more than the primary monitor's work area.
        if (!monitors.empty()) {
            box.w = std::min(box.w, monitors.front().w);
            box.h = std::min(box.h, monitors.front().h);
        }
    }
    return ReachableBox(box, monitors);
}

int InitialShowCommand(const UiSettings& ui, int givenShowCommand) {
    if (ui.maximized) return kShowMaximized;
    return givenShowCommand != 0 ? givenShowCommand : kShowNormal;
}

void RecordClosingPlacement(UiSettings& ui, const ClosingWindow& window) {
    if (!window.rectKnown) return;
    if (window.minimized) {
        ui.maximized = window.restoresMaximized;
        return;
    }
    ui.maximized = window.maximized;
    if (window.maximized) return;
    ui.x = window.left;
    ui.y = window.top;
    ui.w = window.right - window.left;
    ui.h = window.bottom - window.top;
}
