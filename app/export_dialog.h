// Exports to a file the user picks in the system's save dialog, outside the
// browser's callback: the server list (WM_APP_EXPORT_CSV) and one server's
// .rdp file (WM_APP_EXPORT_RDP).
#pragma once

#include <windows.h>

#include <string>

#include "controller/controller.h"

// Modal to owner; the outcome reaches the page as a toast.
void RunExportDialog(HWND owner, Controller& controller);
void RunRdpExportDialog(HWND owner, Controller& controller, const std::string& id);
