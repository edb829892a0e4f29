// The program from its first instruction to its exit code: the command
// line, the single instance, COM and OLE, the configuration, the start-up
// password, the main window and its message loop, and the way down.
#pragma once

#include <windows.h>

// Exit codes: 0 for a normal end, a second instance that handed over, and a
// refused start-up password; 1 when COM, the window class or the main
// window could not be set up.
int RunProgram(HINSTANCE instance, int showCommand);
