// Where the program is, and where its data lives.
#pragma once

#include <string>

// The executable's full path (UTF-8), and its folder: the path up to, not
// including, its last "\" or "/" (the whole path when it has none).
std::string ExePath();
std::string ExeDir();

// The user's roaming application-data folder, or "" when the system has none.
std::string RoamingAppDataDir();

// Names the data folder from the command line; clears the cached folder.
// Call before the first DataDir().
void SetDataDirOverride(const std::string& path);

// The data folder, resolved once and cached: the override when set, else a
// writable "data" folder beside the executable, else "Tavolin" in the
// roaming application data.
std::string DataDir();
