#include <utility>

#include "app/monitors.h"

namespace {

struct Enumeration {
    HMONITOR first;
    std::vector<WindowBox> areas;
    int firstAt = -1;
    int primaryAt = -1;
};

BOOL CALLBACK EachMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* enumeration = reinterpret_cast<Enumeration*>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    const RECT& r = info.rcWork;
    const int at = static_cast<int>(enumeration->areas.size());
    if (monitor == enumeration->first) enumeration->firstAt = at;
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) enumeration->primaryAt = at;
    enumeration->areas.push_back(WindowBox{r.left, r.top, r.right - r.left, r.bottom - r.top});
    return TRUE;
}

}  // namespace

std::vector<WindowBox> MonitorWorkAreas(HMONITOR first) {
    Enumeration enumeration{first, {}};
    EnumDisplayMonitors(nullptr, nullptr, &EachMonitor, reinterpret_cast<LPARAM>(&enumeration));
    const int lead = enumeration.firstAt >= 0 ? enumeration.firstAt : enumeration.primaryAt;
    if (lead > 0) std::swap(enumeration.areas[0], enumeration.areas[static_cast<std::size_t>(lead)]);
    return enumeration.areas;
}
