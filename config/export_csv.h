// The server list as a CSV file for spreadsheets and for another
// installation's import. Passwords go into it, in plain text, only when the
// user asked for them.
#pragma once

#include <string>
#include <vector>

#include "config/app_config.h"

// The whole file: UTF-8 byte order mark, the Chinese header line, then one
// line per server in the given order; every line ends with CR LF. Without
// passwords their column stays, empty. Reads the records' plain password.
std::string ExportServersCsv(const std::vector<ServerRecord>& servers, bool withPasswords);

// Copies of the store's servers, with the passwords opened when asked for
// (those that cannot be opened counted in *unopened) and nothing sealed.
std::vector<ServerRecord> ServersForExport(const AppConfig& config, bool withPasswords, int* unopened);
// Wipes the plain passwords of such copies.
void WipePasswords(std::vector<ServerRecord>& servers);

// Builds the text and writes it straight to path (no temporary file); logs
// the outcome and returns whether every byte was written. The plain copies
// are wiped either way.
bool ExportServersCsvToFile(const AppConfig& config, bool withPasswords, const std::string& path);
