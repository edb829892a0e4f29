// A window's dots per inch, as the system reports it for a per-monitor
// aware program: the monitor it is on.
#pragma once

#include <windows.h>

// The resolution layouts are designed for, and the DPI of a 100 % monitor.
constexpr int kDesignDpi = 96;

// The window's DPI, 96 when the system cannot say (no window, or none yet).
inline int WindowDpi(HWND window) {
    const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
    return dpi != 0 ? static_cast<int>(dpi) : kDesignDpi;
}
