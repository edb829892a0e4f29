// Loading and saving the store as config.json in the data folder.
#pragma once

#include <string>

#include "config/app_config.h"

// The data folder joined with "config.json".
std::string ConfigFilePath();

// Fills the store from config.json. True when the file was read and parsed;
// otherwise the result of the save it performs (defaults for a missing or
// empty file, the store's current values after a parse failure). A
// temporary file an unfinished save left beside it is removed first, never
// read. A file that exists but cannot be read leaves a notice for the user,
// and every later save is refused. Server passwords stay as stored until
// ProtectStoredPasswords.
bool LoadConfig(AppConfig& config);

// Writes the whole store atomically. True when the file was replaced; the
// store in memory is unchanged either way except for saveError, which says
// why a save failed (empty after a success).
bool SaveConfig(AppConfig& config);
