// Dispatching this thread's messages while a test waits for something that
// arrives through them.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches this thread's messages for ms milliseconds.
void PumpFor(DWORD ms);
// Dispatches messages until done() holds or ms pass; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000);
