// The start-up password prompt, shown before the main window exists.
#pragma once

#include <windows.h>

#include "config/app_config.h"

// Modal; true when the right start-up password was entered, or when none is
// in force (then nothing is shown). False when the user gave up, closed the
// dialog, used up the attempts, or the dialog could not be shown.
bool RunUnlockDialog(HINSTANCE instance, AppConfig& config);
