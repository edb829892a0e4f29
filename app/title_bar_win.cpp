#include <windows.h>
// dwmapi.h needs the types of windows.h first.
#include <dwmapi.h>

#include "app/title_bar.h"

namespace {

// Not every SDK names these; the numbers are the system's.
constexpr DWORD kImmersiveDarkMode = 20;
constexpr DWORD kImmersiveDarkModeBefore20H1 = 19;
constexpr DWORD kCaptionColor = 35;
constexpr DWORD kTextColor = 36;
constexpr DWORD kColorDefault = 0xFFFFFFFF;

HRESULT SetAttribute(HWND window, DWORD attribute, DWORD value) {
    return DwmSetWindowAttribute(window, attribute, &value, sizeof value);
}

}  // namespace

void ApplyTitleBarColors(HWND window, bool dark) {
    const DWORD on = dark ? 1 : 0;
    if (FAILED(SetAttribute(window, kImmersiveDarkMode, on))) {
        SetAttribute(window, kImmersiveDarkModeBefore20H1, on);
    }
    SetAttribute(window, kCaptionColor, dark ? static_cast<DWORD>(RGB(16, 20, 32)) : kColorDefault);
    SetAttribute(window, kTextColor, dark ? static_cast<DWORD>(RGB(235, 240, 250)) : kColorDefault);
}
