// Turns pasted server lists into new server records: the short form
// "address[:port] user password remark group", lists separated by commas,
// tabs, semicolons or spaces, and CSV with a header row in any column order
// (the CSV export included). Header names may be Chinese or English.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "config/app_config.h"

// What a person can paste at once: a text this large, or this many
// servers, is refused whole.
constexpr std::size_t kMaxImportBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxImportServers = 50000;

enum class ImportRefusal { kNone, kTooLarge, kTooManyServers };

struct ImportedServers {
    // One record per usable data row, in row order, each with the record
    // defaults and a fresh id.
    std::vector<ServerRecord> servers;
    // Rows that gave no server: comments, lines above the header that are no
    // server lines, rows without a usable host. Blank lines and the header
    // are not counted.
    int skippedLines = 0;
    // Set when the text was refused: then there are no servers at all.
    ImportRefusal refused = ImportRefusal::kNone;
};

// Unusable rows are skipped and counted, so the list may be empty; a text
// beyond the limits gives none. The records' passwords are plain text, for
// the caller to seal. Touches neither the store nor any file.
ImportedServers ImportServersFromText(std::string_view text);
