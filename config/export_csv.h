// The server list as a CSV file for spreadsheets and for another
// installation's import. The file carries every password in plain text.
#pragma once

#include <string>

#include "config/app_config.h"

// The whole file: UTF-8 byte order mark, the Chinese header line, then one
// line per server in the store's order; every line ends with CR LF.
std::string ExportServersCsv(const AppConfig& config);

// Builds the text and writes it straight to path (no temporary file); logs
// the outcome and returns whether every byte was written.
bool ExportServersCsvToFile(const AppConfig& config, const std::string& path);
