// Turns pasted server lists into new server records: the short form
// "address[:port] user password remark group", lists separated by commas,
// tabs, semicolons or spaces, and CSV with a header row in any column order
// (the CSV export included). Header names may be Chinese or English.
#pragma once

#include <string_view>
#include <vector>

#include "config/app_config.h"

// One record per usable data line, in line order, each with the record
// defaults and a fresh id. Never fails: unusable lines are skipped, so the
// result may be empty. Touches neither the store nor any file.
std::vector<ServerRecord> ImportServersFromText(std::string_view text);
