// The main window's own messages and timers. Other threads, the keyboard
// hook and callbacks reach the window only through these messages; heap
// objects that travel with them belong to the receiver (core/posted_object.h).
#pragma once

#include <windows.h>

// lParam: a ProbeResult.
constexpr UINT WM_APP_PROBE_RESULT = WM_APP + 1;  // 0x8001
// No parameters: run the export with its save dialog outside the browser's
// callback.
constexpr UINT WM_APP_EXPORT_CSV = WM_APP + 3;  // 0x8003
// lParam: a CloseTabRequest (app/tab_registry.h).
constexpr UINT WM_APP_CLOSE_TAB = WM_APP + 4;           // 0x8004
constexpr UINT WM_APP_TOGGLE_FULLSCREEN = WM_APP + 10;  // 0x800A
// wParam: +1 or -1 as a signed value.
constexpr UINT WM_APP_SWITCH_TAB = WM_APP + 11;  // 0x800B
// No parameters: the machine's network changed (app/network_watch.h).
constexpr UINT WM_APP_NETWORK_CHANGED = WM_APP + 12;  // 0x800C
// A piece of work run aside has ended; lParam: its completion, a heap
// std::function<void()> (core/posted_object.h).
constexpr UINT WM_APP_ASIDE_DONE = WM_APP + 13;  // 0x800D
// lParam: the server's id, a heap std::string: write its .rdp file where the
// user picks in the save dialog, outside the browser's callback.
constexpr UINT WM_APP_EXPORT_RDP = WM_APP + 14;  // 0x800E

constexpr UINT_PTR TIMER_PROBE = 1;
constexpr UINT_PTR TIMER_EVAL = 3;
constexpr UINT_PTR TIMER_CONNECT_TIMEOUT = 4;
constexpr UINT_PTR TIMER_FSBAR = 5;
// The tabs waiting to be reconnected: due attempts and their probes.
constexpr UINT_PTR TIMER_RECONNECT = 6;

constexpr UINT kEvalTimerMs = 800;
constexpr UINT kConnectTimeoutSweepMs = 1000;
constexpr UINT kReconnectTickMs = 500;
// How long a session may stay connecting, as the session itself counts it.
constexpr int kConnectTimeoutMs = 25000;
