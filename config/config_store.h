// Loading and saving the store as config.json in the data folder.
#pragma once

#include <string>

#include "config/app_config.h"

// The data folder joined with "config.json".
std::string ConfigFilePath();

// Fills the store from config.json. True when the file was read and parsed;
// otherwise the result of the save it performs (defaults for a missing or
// empty file, the store's current values after a parse failure).
bool LoadConfig(AppConfig& config);

// Writes the whole store atomically. True when the file was replaced; the
// store in memory is unchanged either way.
bool SaveConfig(AppConfig& config);
