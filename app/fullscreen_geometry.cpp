#include "app/fullscreen_geometry.h"

namespace {

constexpr int kFallbackScreenWidth = 1920;
constexpr int kButtonsLeft = 8;
constexpr int kButtonPitch = 156;
constexpr int kButtonWidth = 150;
// The tab buttons keep clear of the exit button and its margins.
constexpr int kTabsRightMargin = 112;
constexpr int kTabInset = 5;
constexpr int kExitInset = 6;
constexpr int kExitWidth = 96;
constexpr int kExitRightMargin = 8;
constexpr int kLabelPadLeft = 10;
constexpr int kLabelWidth = 134;
// Rows at the top of the bar's rectangle (and above it) that call it back.
constexpr int kTouchRows = 3;

bool Within(int v, int low, int high) {
    return low <= v && v <= high;
}

// Tick counts wrap after 49.7 days; the difference stays right across it.
bool After(std::uint32_t now, std::uint32_t deadline) {
    return static_cast<std::int32_t>(now - deadline) > 0;
}

}  // namespace

BarRect BarWindowRect(const BarRect* monitor) {
    if (monitor == nullptr) return BarRect{0, 0, kFallbackScreenWidth, kBarHeight};
    return BarRect{monitor->left, monitor->top, monitor->right, monitor->top + kBarHeight};
}

int FittingTabButtons(int width, int tabCount) {
    const int room = width - kTabsRightMargin - kButtonsLeft - kButtonWidth;
    if (room < 0 || tabCount <= 0) return 0;
    const int fit = room / kButtonPitch + 1;
    return tabCount < fit ? tabCount : fit;
}

BarRect TabButtonRect(int index, int height) {
    const int left = kButtonsLeft + kButtonPitch * index;
    return BarRect{left, kTabInset, left + kButtonWidth, height - kTabInset};
}

BarRect TabLabelRect(const BarRect& button, int height) {
    return BarRect{button.left + kLabelPadLeft, kTabInset, button.left + kLabelPadLeft + kLabelWidth,
                   height - kTabInset};
}

BarRect ExitButtonRect(int width, int height) {
    const int right = width - kExitRightMargin;
    return BarRect{right - kExitWidth, kExitInset, right, height - kExitInset};
}

BarHit HitTestBar(int x, int y, int width, int height, int tabCount) {
    const BarRect exit = ExitButtonRect(width, height);
    if (Within(y, exit.top, exit.bottom) && Within(x, exit.left, exit.right))
        return BarHit{BarHit::kExit, -1};
    if (x < kButtonsLeft || !Within(y, kTabInset, height - kTabInset)) return BarHit{};
    const int index = (x - kButtonsLeft) / kButtonPitch;
    if (index >= FittingTabButtons(width, tabCount)) return BarHit{};
    if (x > TabButtonRect(index, height).right) return BarHit{};  // the gap after a button
    return BarHit{BarHit::kTab, index};
}

std::string TabButtonLabel(const AppConfig* config, const std::string& tabId) {
    const ServerRecord* server = config != nullptr ? FindServerById(*config, tabId) : nullptr;
    if (server == nullptr) return tabId;
    return server->remark.empty() ? server->host : server->remark;
}

BarChange ShowBarState(BarVisibility& bar, std::uint32_t now) {
    if (bar.visible) return BarChange::kNone;
    bar.visible = true;
    bar.hideDeadline = now + kBarHideDelayMs;
    return BarChange::kShow;
}

BarChange PollBar(BarVisibility& bar, int cursorX, int cursorY, const BarRect& window, std::uint32_t now) {
    // The top edge of the bar's own monitor: the cursor on a monitor beside
    // or above this one is not asking for the bar.
    const bool atTopEdge =
        Within(cursorX, window.left, window.right) && Within(cursorY, window.top, window.top + kTouchRows);
    const bool inside =
        Within(cursorX, window.left, window.right) && Within(cursorY, window.top, window.bottom);
    if (inside) {
        bar.hideDeadline = now + kBarHideDelayMs;
        return atTopEdge ? ShowBarState(bar, now) : BarChange::kNone;
    }
    if (bar.visible) {
        if (!After(now, bar.hideDeadline)) return BarChange::kNone;
        bar.visible = false;
        return BarChange::kHide;
    }
    return atTopEdge ? ShowBarState(bar, now) : BarChange::kNone;
}
