// The unlock dialog's painting: everything but the password field, which
// the edit control paints itself.
#pragma once

#include <windows.h>

#include "app/unlock_attempts.h"
#include "app/unlock_layout.h"

constexpr COLORREF kUnlockBackground = RGB(16, 20, 32);
constexpr COLORREF kUnlockFieldBackground = RGB(20, 26, 40);
constexpr COLORREF kUnlockFieldText = RGB(240, 245, 255);

struct UnlockPaintState {
    const UnlockLayout* layout = nullptr;
    HWND field = nullptr;
    HFONT titleFont = nullptr;
    HFONT textFont = nullptr;
    HBRUSH background = nullptr;
    bool passwordShown = false;
    // What the mouse messages last found under the pointer: the picture
    // follows them, so a pointer that leaves never leaves an item lit.
    UnlockItem hover = UnlockItem::None;
    int dpi = 96;  // the dialog's: it is painted in 96-DPI units
    UnlockMessageLine line;
};

// Answers WM_PAINT: draws off screen and copies the picture in one go.
void PaintUnlockDialog(HWND dialog, const UnlockPaintState& state);
