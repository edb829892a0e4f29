// The main window's title bar in the page's dark or light colours.
#pragma once

#include <windows.h>

// Failures are ignored: an older system keeps its own title bar.
void ApplyTitleBarColors(HWND window, bool dark);
