// Any pasted bytes: the import must not crash, must give only records the
// rest of the program can use and account for every row it drops; exporting
// them and importing the file again must give the same servers wherever the
// CSV file can carry the values.
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

// No byte of 0x20 or below, no U+00A0 and no U+3000 anywhere.
bool HasNoWhitespace(const std::string& text) {
    for (char c : text) {
        if (IsBlank(c)) return false;
    }
    return text.find("\xC2\xA0") == std::string::npos && text.find("\xE3\x80\x80") == std::string::npos;
}

bool HasWideBlankAtAnEnd(const std::string& value) {
    for (const std::string wide : {"\xC2\xA0", "\xE3\x80\x80"}) {
        if (value.compare(0, wide.size(), wide) == 0) return true;
        if (value.size() >= wide.size() &&
            value.compare(value.size() - wide.size(), wide.size(), wide) == 0) {
            return true;
        }
    }
    return false;
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
    Check(!r.host.empty() && HasNoWhitespace(r.host));
    Check(r.host.find("\xEF\xBC\x9A") == std::string::npos);  // full-width colons become ASCII
    Check(r.port >= 1 && r.port <= 65535);
    Check(r.colorDepth == 16 || r.colorDepth == 24 || r.colorDepth == 32);
    Check((r.width == 0 && r.height == 0) || (InSide(r.width) && InSide(r.height)));
    Check(IsLowerHexId(r.id));
}

// The file splits only on its header's comma, so only blanks at either end,
// which trimming drops, are lost.
bool FileCarries(const std::string& value) {
    return value.empty() ||
           (!IsBlank(value.front()) && !IsBlank(value.back()) && !HasWideBlankAtAnEnd(value));
}

// Besides that, a bare host starting like a comment makes the import skip
// the line, "[name]" loses its brackets and "name:digits" would be read as
// a port.
bool FileCarriesHost(const std::string& host) {
    if (!FileCarries(host) || host.empty() || host[0] == '#' || host[0] == '[' ||
        host.compare(0, 2, "//") == 0) {
        return false;
    }
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
    Check(a.remark == b.remark && a.group == b.group && a.domain.empty());
    Check(a.colorDepth == b.colorDepth && a.width == b.width && a.height == b.height);
    // A shared list never makes a server connect by itself.
    Check(a.smartSizing == b.smartSizing && !a.autoConnect && !b.autoConnect);
}

}  // namespace

// An export of no servers reads back as none. Checked once here rather than
// for every input that imports nothing: the file is the same every time.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Check(ImportServersFromText(ExportServersCsv({}, true)).servers.empty());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ImportedServers result = ImportServersFromText(text);
    const std::vector<ServerRecord>& imported = result.servers;
    for (const ServerRecord& r : imported) CheckUsable(r);
    // A row is at least one line, and blank lines count nowhere.
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n' || c == '\r' ? 1 : 0;
    Check(result.skippedLines >= 0 &&
          imported.size() + static_cast<std::size_t>(result.skippedLines) <= lines);
    if (imported.empty()) return 0;

    // Every record is one line of the file, so nothing can come back twice,
    // and whatever comes back is usable.
    const std::vector<ServerRecord> again = ImportServersFromText(ExportServersCsv(imported, true)).servers;
    Check(again.size() <= imported.size());
    for (const ServerRecord& r : again) CheckUsable(r);

    std::vector<const ServerRecord*> carried;
    for (const ServerRecord& r : imported) {
        if (RoundTrips(r)) carried.push_back(&r);
    }
    if (carried.empty()) return 0;
    // With every server carried the file is the one just read back; only a
    // subset is copied out to be exported on its own.
    std::vector<ServerRecord> read;
    if (carried.size() != imported.size()) {
        std::vector<ServerRecord> subset;
        subset.reserve(carried.size());
        for (const ServerRecord* r : carried) subset.push_back(*r);
        read = ImportServersFromText(ExportServersCsv(subset, true)).servers;
    }
    const std::vector<ServerRecord>& back = carried.size() == imported.size() ? again : read;
    Check(back.size() == carried.size());
    for (std::size_t i = 0; i < back.size(); ++i) CheckSameServer(back[i], *carried[i]);
    return 0;
}
