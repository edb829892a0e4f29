#include "app/window_placement.h"

namespace {

// Closer than this to the right or bottom edge, a title bar is out of reach.
constexpr int kEdgeMargin = 200;

}  // namespace

WindowBox InitialWindowBox(const UiSettings& ui, int screenWidth, int screenHeight) {
    WindowBox box{ui.x, ui.y, ui.w, ui.h};
    const bool offScreen =
        ui.x > screenWidth - kEdgeMargin || ui.y > screenHeight - kEdgeMargin || ui.x < 0 || ui.y < 0;
    if (offScreen) {
        // Truncating toward zero, also for a window wider than the screen.
        box.x = (screenWidth - ui.w) / 2;
        box.y = (screenHeight - ui.h) / 2;
    }
    return box;
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
