// Keys and values from Microsoft's list of supported RDP file settings
// (learn.microsoft.com/azure/virtual-desktop/rdp-properties); "server port"
// and "session bpp" from the same list's Remote Desktop Connection edition.
#include "config/rdp_file.h"

#include <cctype>
#include <vector>

#include "core/host_port.h"
#include "core/text.h"
#include "core/utf16.h"

namespace {

constexpr int kRdpPort = 3389;

// The text as UTF-8, by its byte-order mark; none means UTF-8.
std::string DecodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return Utf16BytesToUtf8(bytes.substr(2), false);
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF')
        return Utf16BytesToUtf8(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return ValidUtf8(bytes.substr(3));
    return ValidUtf8(bytes);
}

std::string LowerAscii(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Control characters (a line end above all) never reach a field.
std::string WithoutControls(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    }
    return out;
}

bool ParseInt(const std::string& text, long low, long high, int* value) {
    int parsed = 0;
    if (!ParseDigits(text, &parsed) || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

// "host", "host:port", "[v6]:port" or a bare v6 address.
bool ReadFullAddress(const std::string& value, ServerRecord* server) {
    HostPort address;
    if (!ParseHostPort(value, &address)) return false;
    server->host = address.host;
    if (address.port != 0) server->port = address.port;
    return true;
}

struct Fields {
    ServerRecord* server;
    bool* hasAddress;
    int* portLine;  // "server port", applied when the address names none
};

// One setting of the server record's own; false when the key is no such
// setting or its value is refused.
bool TakeServerLine(const std::string& key, char type, const std::string& value, const Fields& fields) {
    ServerRecord* server = fields.server;
    int number = 0;
    if (type == 's') {
        if (key == "full address") return (*fields.hasAddress = ReadFullAddress(value, server));
        if (key == "username") return server->user = value, true;
        if (key == "domain") return server->domain = value, true;
        return false;
    }
    if (type != 'i') return false;
    if (key == "server port") return ParseInt(value, 1, 65535, fields.portLine);
    if (key == "screen mode id" && ParseInt(value, 1, 2, &number))
        return server->fullscreenOnConnect = number == 2, true;
    if (key == "desktopwidth") return ParseInt(value, 200, 8192, &server->width);
    if (key == "desktopheight") return ParseInt(value, 200, 8192, &server->height);
    if (key == "smart sizing" && ParseInt(value, 0, 1, &number))
        return server->smartSizing = number == 1, true;
    if (key == "session bpp" && ParseInt(value, 8, 32, &number)) {
        if (number != 8 && number != 15 && number != 16 && number != 24 && number != 32) return false;
        server->colorDepth = number;
        return true;
    }
    return false;
}

struct Line {
    std::string key;
    char type = 0;
    std::string value;
};

// "key:type:value"; the key may hold blanks, the value colons.
bool SplitLine(const std::string& text, Line* line) {
    const std::size_t first = text.find(':');
    if (first == std::string::npos || text.size() < first + 3 || text[first + 2] != ':') return false;
    line->key = LowerAscii(Trim(std::string_view(text).substr(0, first)));
    line->type = static_cast<char>(std::tolower(static_cast<unsigned char>(text[first + 1])));
    line->value = Trim(std::string_view(text).substr(first + 3));
    return !line->key.empty();
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// A user name written as "DOMAIN\user" names its domain when no domain line
// does; one that starts with the backslash names none, so that what is
// written reads back as itself.
void SplitDomainFromUser(ServerRecord* server) {
    const std::size_t slash = server->user.find('\\');
    if (slash == std::string::npos || slash == 0 || !server->domain.empty()) return;
    server->domain = server->user.substr(0, slash);
    server->user = server->user.substr(slash + 1);
}

}  // namespace

RdpFileRead ReadRdpFile(std::string_view bytes) {
    RdpFileRead read;
    if (bytes.size() > kRdpFileMaxBytes) {
        read.error = "文件过大，不像远程桌面文件";
        return read;
    }
    const std::vector<std::string> lines = SplitLines(DecodeText(bytes));
    if (lines.size() > kRdpFileMaxLines) {
        read.error = "文件行数过多，不像远程桌面文件";
        return read;
    }
    bool hasAddress = false;
    int portLine = 0;
    read.server.port = 0;  // until a line names one
    const Fields fields{&read.server, &hasAddress, &portLine};
    RdpOptionReader options;
    for (const std::string& text : lines) {
        if (Trim(text).empty()) continue;
        Line line;
        if (!SplitLine(text, &line) || line.value.size() > kRdpValueMaxBytes) {
            ++read.ignored;
            continue;
        }
        line.value = Trim(WithoutControls(line.value));
        if (TakeServerLine(line.key, line.type, line.value, fields)) continue;
        if (options.Line(line.key, line.type, line.value) != RdpOptionReader::Take::kTaken) ++read.ignored;
    }
    if (!hasAddress) {
        read.error = "文件里没有远程计算机的地址（full address）";
        return read;
    }
    if (read.server.port == 0) read.server.port = portLine != 0 ? portLine : kRdpPort;
    SplitDomainFromUser(&read.server);
    read.server.options = options.Finish();
    read.ok = true;
    return read;
}

namespace {

// A host holding a colon (an IPv6 address) goes in brackets, with or
// without a port: bare, one colon would read back as a port.
std::string AddressValue(const ServerRecord& server) {
    return FormatHostPort(server.host, server.port, kRdpPort);
}

}  // namespace

std::string WriteRdpFile(const ServerRecord& server) {
    std::vector<RdpLine> lines = {{"full address", 's', AddressValue(server)}};
    if (!server.user.empty()) lines.push_back({"username", 's', server.user});
    if (!server.domain.empty()) lines.push_back({"domain", 's', server.domain});
    lines.push_back({"screen mode id", 'i', server.fullscreenOnConnect ? "2" : "1"});
    if (server.width > 0 && server.height > 0) {
        lines.push_back({"desktopwidth", 'i', std::to_string(server.width)});
        lines.push_back({"desktopheight", 'i', std::to_string(server.height)});
    }
    lines.push_back({"session bpp", 'i', std::to_string(server.colorDepth > 0 ? server.colorDepth : 32)});
    lines.push_back({"smart sizing", 'i', server.smartSizing ? "1" : "0"});
    for (RdpLine& line : RdpLinesFor(server.options)) lines.push_back(std::move(line));
    std::string text;
    for (const RdpLine& line : lines) {
        text += line.key + ":" + line.type + ":" + WithoutControls(line.value) + "\r\n";
    }
    return "\xFF\xFE" + Utf8ToUtf16LeBytes(text);
}

std::string RdpImportSummary(int servers, int ignored) {
    std::string text = Format("成功导入 %d 台服务器", servers);
    if (ignored > 0) text += Format("，忽略 %d 项不支持的设置", ignored);
    return text;
}
