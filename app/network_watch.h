// Tells the main window when the machine's network changes (an interface
// comes or goes, an address changes): the servers' states from before may
// all be wrong now, so a sweep should start at once.
#pragma once

#include <windows.h>

class NetworkWatch {
public:
    NetworkWatch() = default;
    // Cancels the notification; waits for a callback that is running.
    ~NetworkWatch();
    NetworkWatch(const NetworkWatch&) = delete;
    NetworkWatch& operator=(const NetworkWatch&) = delete;

    // Posts WM_APP_NETWORK_CHANGED to window on every change. False when
    // the system refused, which is logged; the timer's sweeps go on.
    bool Start(HWND window);

private:
    HANDLE handle_ = nullptr;
    HWND window_ = nullptr;
};
