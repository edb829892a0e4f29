// The full-screen bar without its window: where it lies on the monitor,
// where its buttons lie, which one a point hits, what each tab button says,
// and when the bar shows and hides.
#pragma once

#include <cstdint>
#include <string>

#include "config/app_config.h"

// Edges as a window rectangle has them: right and bottom lie just outside.
struct BarRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const BarRect& a, const BarRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

constexpr int kBarHeight = 36;
constexpr std::uint32_t kBarHideDelayMs = 2000;

// The bar in screen coordinates over the top of the monitor; without a
// monitor (nullptr), over the top of a 1920-pixel-wide screen.
BarRect BarWindowRect(const BarRect* monitor);

// How many of tabCount tab buttons fit into a bar width pixels wide.
int FittingTabButtons(int width, int tabCount);

// Client coordinates of a bar height pixels high and width wide.
BarRect TabButtonRect(int index, int height);
BarRect TabLabelRect(const BarRect& button, int height);
BarRect ExitButtonRect(int width, int height);

struct BarHit {
    enum Kind { kNothing, kExit, kTab } kind = kNothing;
    int tab = -1;  // the button's index, for kTab
};

// What a click at (x, y) in a width x height bar with tabCount tabs lands
// on; the edges of a button belong to it.
BarHit HitTestBar(int x, int y, int width, int height, int tabCount);

// A tab button's text: the remark of the tab's server, its host when the
// remark is empty, the tab id when no server has it.
std::string TabButtonLabel(const AppConfig* config, const std::string& tabId);

// The auto-hide rules, run on every poll with the cursor and the bar's
// window rectangle in screen coordinates.
struct BarVisibility {
    bool visible = false;
    std::uint32_t hideDeadline = 0;  // a tick count, wrapping
};

enum class BarChange { kNone, kShow, kHide };

// Showing: a hidden bar becomes visible until the delay has passed.
// Returns kShow when it was hidden.
BarChange ShowBarState(BarVisibility& bar, std::uint32_t now);
BarChange PollBar(BarVisibility& bar, int cursorX, int cursorY, const BarRect& window, std::uint32_t now);
