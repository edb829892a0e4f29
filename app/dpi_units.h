// The program's own windows are laid out in the units of a 96-DPI screen and
// drawn at the monitor's resolution: a device context in these units, and
// the conversions for what the system gives in device pixels.
#pragma once

#include <windows.h>

#include "core/window_dpi.h"

inline int ToDevice(int design, int dpi) {
    return MulDiv(design, dpi, kDesignDpi);
}

inline int ToDesign(int device, int dpi) {
    return MulDiv(device, kDesignDpi, dpi);
}

// While it lives, the device context takes coordinates, line widths and
// font heights in 96-DPI units ("MM_ANISOTROPIC", learn.microsoft.com/
// windows/win32/gdi/mapping-modes-and-translations).
class DesignUnits {
public:
    DesignUnits(HDC dc, int dpi) : dc_(dc) {
        mode_ = SetMapMode(dc_, MM_ANISOTROPIC);
        SetWindowExtEx(dc_, kDesignDpi, kDesignDpi, &window_);
        SetViewportExtEx(dc_, dpi, dpi, &viewport_);
    }
    ~DesignUnits() {
        SetViewportExtEx(dc_, viewport_.cx, viewport_.cy, nullptr);
        SetWindowExtEx(dc_, window_.cx, window_.cy, nullptr);
        SetMapMode(dc_, mode_);
    }
    DesignUnits(const DesignUnits&) = delete;
    DesignUnits& operator=(const DesignUnits&) = delete;

private:
    HDC dc_;
    int mode_ = MM_TEXT;
    SIZE window_{};
    SIZE viewport_{};
};

// The system's user-interface font for Chinese text, at a height in 96-DPI
// pixels (scaled when drawn through DesignUnits, or given the device's
// height for a control that draws itself).
inline HFONT MakeUiFont(int height, int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"Microsoft YaHei UI");
}
