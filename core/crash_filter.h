#pragma once

#include <windows.h>

// The process-wide unhandled-exception filter: a few FATAL records, then the
// process ends without the system's error dialog.
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers);
