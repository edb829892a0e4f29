// Ends external clients that a closing session has asked to close, without
// waiting for them on the interface thread: each one gets a grace time to
// exit by itself and is terminated when it has not.
#pragma once

#include <windows.h>

#include "core/win_handle.h"

// Takes the process over; the handle is closed once it has ended.
void ReapClientProcess(UniqueHandle process, DWORD graceMs);

// Clients still within their grace time.
int PendingClientReaps();

// Terminates every client still within its grace time, for the end of the
// program, when nobody will be left to do it.
void TerminatePendingClients();
