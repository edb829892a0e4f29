// Remote desktop files (.rdp): the "key:type:value" lines of Microsoft's
// list of supported RDP file settings, as Windows writes them (UTF-16LE with
// a byte-order mark) or as UTF-8. A file becomes one server; a server
// becomes a file without its password.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "config/app_config.h"

// Beyond these a file is refused whole: a .rdp file is a few kilobytes,
// even signed.
constexpr std::size_t kRdpFileMaxBytes = 1 << 20;
constexpr std::size_t kRdpFileMaxLines = 10000;
// A longer value is left out and counted with the ignored settings.
constexpr std::size_t kRdpValueMaxBytes = 1024;

struct RdpFileRead {
    bool ok = false;
    std::string error;  // for the user, when not ok
    // The server the file describes: address, port, user, domain, screen,
    // colour depth, smart sizing and options; id and password empty.
    ServerRecord server;
    // Settings not taken: unknown keys, values of another type or outside
    // the documented range, lines that are no setting.
    int ignored = 0;
};

// Reads one file's bytes. Nothing in it is run or opened.
RdpFileRead ReadRdpFile(std::string_view bytes);

// The file for a server, UTF-16LE with a byte-order mark and CRLF line ends.
// Never its password; control characters in its texts are dropped, so no
// text adds a line of its own.
std::string WriteRdpFile(const ServerRecord& server);

// "成功导入 N 台服务器，忽略 M 项不支持的设置" (the second half only when M > 0).
std::string RdpImportSummary(int servers, int ignored);
