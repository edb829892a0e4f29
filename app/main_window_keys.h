// F11 and Ctrl+Tab for the program itself, even while a remote desktop has
// the keyboard focus: a low-level keyboard hook, and the message loop's own
// check for the keys the hook did not take.
#pragma once

#include <windows.h>

#include "controller/controller_ports.h"

// Once, for the process: while one of its windows is in the foreground, F11
// toggles full screen and, in full screen, Ctrl+Tab (with Shift, backwards)
// switches tabs; both are posted to target and kept from the focus window.
// False when the system refused the hook.
bool InstallKeyboardHook(HWND target);
// Removes it, if installed, and forgets it.
void RemoveKeyboardHook();

// The message loop's check before translating: true when message was a key
// for the program, already acted on, and must not be dispatched.
bool TakeProgramKey(const MSG& message, HWND mainWindow, ITabs& tabs);
