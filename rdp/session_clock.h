// The millisecond tick count the sessions measure time with. Tests replace
// it to place events exactly; the program uses the system's.
#pragma once

#include <windows.h>

using TickSource = DWORD (*)();

DWORD SessionTicks();
// nullptr restores the system's GetTickCount.
void SetSessionTickSource(TickSource source);
