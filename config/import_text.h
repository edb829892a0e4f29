// Turns pasted server lists into new server records: the short form
// "address[:port] user password remark group", lists separated by commas,
// tabs, semicolons or spaces, and CSV with a header row in any column order
// (the CSV export included). Header names may be Chinese or English.
#pragma once

#include <string_view>
#include <vector>

#include "config/app_config.h"

struct ImportedServers {
    // One record per usable data row, in row order, each with the record
    // defaults and a fresh id.
    std::vector<ServerRecord> servers;
    // Rows that gave no server: comments, lines above the header that are no
    // server lines, rows without a usable host. Blank lines and the header
    // are not counted.
    int skippedLines = 0;
};

// Never fails: unusable rows are skipped and counted, so the list may be
// empty. Touches neither the store nor any file.
ImportedServers ImportServersFromText(std::string_view text);
