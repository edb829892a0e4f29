// The server list exported to a file the user picks in the system's save
// dialog (WM_APP_EXPORT_CSV), outside the browser's callback.
#pragma once

#include <windows.h>

#include "controller/controller.h"

// Modal to owner; the outcome reaches the page as a toast.
void RunExportDialog(HWND owner, Controller& controller);
