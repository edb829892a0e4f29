// Where the main window opens and what of its place is kept when it closes:
// the rules alone, in screen pixels, without the system.
#pragma once

#include "config/app_config.h"

struct WindowBox {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    friend bool operator==(const WindowBox& a, const WindowBox& b) {
        return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
    }
};

#include <vector>

// box where it is when its top-left corner lies on one of the monitors' work
// areas, at least 200 pixels from that area's right and bottom edges, where
// its title bar can be grabbed; otherwise its size centred on monitors[0].
// No monitors: box as it is.
WindowBox ReachableBox(const WindowBox& box, const std::vector<WindowBox>& monitors);

// The saved box, kept reachable; monitors[0] is the primary one. A box never
// saved (-1, -1) lies on no monitor, and its size, in 96-DPI units, is
// scaled to the primary monitor's dpi, so that the first window looks the
// same size at any scale.
WindowBox InitialWindowBox(const UiSettings& ui, const std::vector<WindowBox>& monitors, int dpi);

// The show commands involved (the system's SW_ values).
constexpr int kShowNormal = 1;
constexpr int kShowMaximized = 3;

// A saved maximized window opens maximized whatever the program was given;
// otherwise the given command, or a normal window for 0.
int InitialShowCommand(const UiSettings& ui, int givenShowCommand);

// The window as it is when it closes.
struct ClosingWindow {
    bool rectKnown = false;  // its outer rectangle could be read
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool maximized = false;
    bool minimized = false;
    bool restoresMaximized = false;  // minimized from the maximized state
};

// Keeps whether the window was maximized and, for a normal window, its
// outer rectangle. A maximized window keeps the last normal place; so does a
// minimized one, whose rectangle is only its icon's, far off the screen (it
// is kept maximized when it came from there).
void RecordClosingPlacement(UiSettings& ui, const ClosingWindow& window);
