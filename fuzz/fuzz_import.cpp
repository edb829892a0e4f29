// Any pasted bytes: the import must not crash and must give only records the
// rest of the program can use; exporting them and importing the file again
// must give the same servers wherever the CSV file can carry the values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/app_config.h"
#include "config/export_csv.h"
#include "config/import_text.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool IsLowerHexId(const std::string& id) {
    if (id.size() != 16) return false;
    for (char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool InSide(int value) {
    return value >= 200 && value <= 16384;
}

void CheckUsable(const ServerRecord& r) {
    Check(!r.host.empty() && !IsBlank(r.host.front()) && !IsBlank(r.host.back()));
    Check(r.port >= 1 && r.port <= 65535);
    Check(r.colorDepth == 16 || r.colorDepth == 24 || r.colorDepth == 32);
    Check((r.width == 0 && r.height == 0) || (InSide(r.width) && InSide(r.height)));
    Check(IsLowerHexId(r.id));
}

// A bare semicolon or tab splits the cell on import, and trimming drops
// blanks at either end.
bool FileCarries(const std::string& value) {
    if (value.find_first_of(";\t") != std::string::npos) return false;
    return value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back()));
}

// Besides that, a bare host starting like a comment makes the import skip
// the line, and "name:digits" would be read as a port.
bool FileCarriesHost(const std::string& host) {
    if (!FileCarries(host) || host.empty() || host[0] == '#' || host.compare(0, 2, "//") == 0) return false;
    const std::size_t colon = host.find(':');
    if (colon == std::string::npos) return true;
    const std::string tail = host.substr(colon + 1);
    return tail.empty() || tail.find_first_not_of("0123456789") != std::string::npos;
}

bool RoundTrips(const ServerRecord& r) {
    return FileCarriesHost(r.host) && FileCarries(r.user) && FileCarries(r.password) &&
           FileCarries(r.remark) && FileCarries(r.group);
}

void CheckSameServer(const ServerRecord& a, const ServerRecord& b) {
    Check(a.host == b.host && a.port == b.port);
    Check(a.user == b.user && a.password == b.password);
    Check(a.remark == b.remark && a.group == b.group);
    Check(a.colorDepth == b.colorDepth && a.width == b.width && a.height == b.height);
    Check(a.smartSizing == b.smartSizing && a.autoConnect == b.autoConnect);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<ServerRecord> imported = ImportServersFromText(text);
    for (const ServerRecord& r : imported) CheckUsable(r);

    // Every record is one line of the file, so nothing can come back twice,
    // and whatever comes back is usable.
    AppConfig all;
    all.servers = imported;
    const std::vector<ServerRecord> again = ImportServersFromText(ExportServersCsv(all));
    Check(again.size() <= imported.size());
    for (const ServerRecord& r : again) CheckUsable(r);

    AppConfig carried;
    for (const ServerRecord& r : imported) {
        if (RoundTrips(r)) carried.servers.push_back(r);
    }
    const std::vector<ServerRecord> back = ImportServersFromText(ExportServersCsv(carried));
    Check(back.size() == carried.servers.size());
    for (std::size_t i = 0; i < back.size(); ++i) CheckSameServer(back[i], carried.servers[i]);
    return 0;
}
