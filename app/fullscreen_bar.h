// The full-screen bar's window: a topmost strip over the top of the
// monitor, owned by the main window, painted by the program itself. It
// exists exactly while full screen is on.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/fullscreen.h"
#include "app/fullscreen_geometry.h"

class FullscreenBar {
public:
    FullscreenBar() = default;
    ~FullscreenBar() { Destroy(); }
    FullscreenBar(const FullscreenBar&) = delete;
    FullscreenBar& operator=(const FullscreenBar&) = delete;

    // At screenRect, owned by the main window, visible for the hide delay.
    bool Create(const FullscreenHost& host, const BarRect& screenRect);
    void Destroy();
    bool exists() const { return window_ != nullptr; }
    bool visible() const { return state_.visible; }

    // The auto-hide poll, with the cursor where the system has it.
    void Poll();
    void Invalidate();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Apply(BarChange change);
    void Paint();
    void PaintTabs(HDC dc, int width, int height);
    void OnClick(int x, int y);

    FullscreenHost host_{};
    HWND window_ = nullptr;
    BarVisibility state_;
};
