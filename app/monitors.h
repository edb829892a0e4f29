// The monitors present now, as places a window can be put.
#pragma once

#include <windows.h>

#include <vector>

#include "app/window_placement.h"

// Every monitor's work area (without the taskbar), first's first; a first
// that is not (or no longer) a monitor leaves the primary first.
std::vector<WindowBox> MonitorWorkAreas(HMONITOR first);
