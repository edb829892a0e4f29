#include "config/export_csv.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "config/formula_guard.h"
#include "config/option_columns.h"
#include "config/stored_password.h"
#include "core/file_io.h"
#include "core/log.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kYes = "是";
constexpr std::string_view kNo = "否";

// A line whose first text starts like this is a comment to the import.
bool StartsLikeComment(std::string_view value) {
    const std::size_t i = value.find_first_not_of(" \t");
    return i != std::string_view::npos && (value[i] == '#' || value.compare(i, 2, "//") == 0);
}

// The bytes that make a text quoted, looked up once per byte.
constexpr std::array<bool, 256> kQuotedFor = [] {
    std::array<bool, 256> table{};
    table[','] = table['"'] = table['\r'] = table['\n'] = true;
    return table;
}();

bool HoldsQuotedByte(std::string_view value) {
    for (char c : value) {
        if (kQuotedFor[static_cast<unsigned char>(c)]) return true;
    }
    return false;
}

// Quoted only for a comma, a double quote, CR or LF, or, at the start of a
// line, for what the import would skip as a comment; tabs and semicolons are
// written bare, as other programs reading the file expect.
void AppendTextField(std::string* out, std::string_view value, bool startsLine = false) {
    const bool guard = StartsLikeFormula(value);  // gets one "'" in front
    const bool quote = HoldsQuotedByte(value) || (startsLine && StartsLikeComment(value));
    if (quote) out->push_back('"');
    if (guard) out->push_back('\'');
    if (!quote) {
        out->append(value);
        return;
    }
    for (char c : value) {
        if (c == '"') out->push_back('"');
        out->push_back(c);
    }
    out->push_back('"');
}

void AppendInt(std::string* out, int value) {
    out->append(std::to_string(value));
}

void AppendServerLine(std::string* out, const ServerRecord& s, bool withPasswords) {
    AppendTextField(out, s.host, true);
    out->push_back(',');
    AppendInt(out, s.port);
    out->push_back(',');
    AppendTextField(out, s.user);
    out->push_back(',');
    if (withPasswords) AppendTextField(out, s.password);
    out->push_back(',');
    AppendTextField(out, s.remark);
    out->push_back(',');
    AppendTextField(out, s.group);
    out->push_back(',');
    AppendInt(out, s.colorDepth);
    out->push_back(',');
    // "%dx%d" never holds a character that needs quoting.
    if (s.width > 0 && s.height > 0) {
        AppendInt(out, s.width);
        out->push_back('x');
        AppendInt(out, s.height);
    }
    out->push_back(',');
    out->append(s.smartSizing ? kYes : kNo);
    out->push_back(',');
    out->append(s.autoConnect ? kYes : kNo);
    AppendOptionCells(out, s.options,
                      [](std::string* line, const std::string& text) { AppendTextField(line, text); });
    out->append(kLineEnd);
}

}  // namespace

std::string ExportServersCsv(const std::vector<ServerRecord>& servers, bool withPasswords) {
    std::string out;
    const std::string& options = OptionColumnsHeader();
    out.reserve(kBom.size() + kExportHeader.size() + options.size() + kLineEnd.size() + servers.size() * 160);
    out.append(kBom);
    out.append(kExportHeader);
    out.append(options);
    out.append(kLineEnd);
    for (const ServerRecord& server : servers) AppendServerLine(&out, server, withPasswords);
    return out;
}

std::vector<ServerRecord> ServersForExport(const AppConfig& config, bool withPasswords, int* unopened) {
    std::vector<ServerRecord> servers = config.servers;
    for (ServerRecord& server : servers) {
        if (withPasswords && !server.sealedPassword.empty() &&
            !OpenPassword(config, server.sealedPassword, &server.password)) {
            ++*unopened;
        }
        server.sealedPassword.clear();
    }
    return servers;
}

void WipePasswords(std::vector<ServerRecord>& servers) {
    for (ServerRecord& server : servers) WipeText(server.password);
}

bool ExportServersCsvToFile(const AppConfig& config, bool withPasswords, const std::string& path) {
    int unopened = 0;
    std::vector<ServerRecord> servers = ServersForExport(config, withPasswords, &unopened);
    std::string text = ExportServersCsv(servers, withPasswords);
    WipePasswords(servers);
    const bool ok = WriteWholeFile(path, text);
    WipeText(text);
    if (ok) {
        Log(kLogInfo, "已导出服务器列表：" + path);
    } else {
        Log(kLogError, "导出失败：" + path);
    }
    return ok;
}
