// Full screen: the main window without its frame over the whole monitor,
// the active session over all of it, and the bar of tab buttons that drops
// in when the mouse touches the top edge. User-interface thread only.
#pragma once

#include <windows.h>

#include "app/tab_registry.h"
#include "config/app_config.h"
#include "webhost/page_channel.h"

struct FullscreenHost {
    HWND mainWindow;
    TabRegistry* tabs;   // the bar's buttons, the layout while full screen
    IPageChannel* page;  // "fullscreen" {"on":bool} and the bar's "tabActivated"
    // The servers the buttons are named after; without it they show the tab
    // ids.
    const AppConfig* config = nullptr;
};

// Once, after the main window exists; it also makes the tab layout ask
// IsFullscreen.
void InitFullscreen(const FullscreenHost& host);
// Enters or leaves; nothing happens when the state already equals on, or
// before InitFullscreen.
void SetFullscreen(bool on);
// WM_APP_TOGGLE_FULLSCREEN, F11, the page's "toggleFullscreen".
void ToggleFullscreen();
// Safe from any thread (the keyboard hook's reads it).
bool IsFullscreen();
// In full screen: the window's outer rectangle and state from before, which
// is where it returns and what a close keeps. False outside full screen.
bool PlacementBeforeFullscreen(RECT* rect, bool* maximized);
// The main window's TIMER_FSBAR tick: the bar's auto-hide.
void OnFullscreenBarTimer();
// After the active tab changed (WM_APP_SWITCH_TAB): the bar repaints.
void InvalidateFullscreenBar();
// The main window is being destroyed: the bar goes, the flag clears, the
// page hears nothing and the window keeps its style.
void EndFullscreenQuietly();
