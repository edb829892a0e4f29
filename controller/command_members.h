// The members each page command reads from its "data", as plain values.
// Every member is read leniently: missing, null or unreadable members take
// their default, so no input is ever an error here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "controller/controller_ports.h"
#include "core/json.h"

// "id" of most commands (default empty).
std::string ReadId(const JsonValue& data);

struct ReorderRequest {
    std::string id;
    std::string before;
};
ReorderRequest ReadReorder(const JsonValue& data);

// In the page's CSS pixels, fractions kept, until scaled.
struct ContentRectRequest {
    bool hidden = false;
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
};
ContentRectRequest ReadContentRect(const JsonValue& data);
// The page's rectangle, in CSS pixels (96 to the inch), in the device pixels
// of a window at dpi: each edge is scaled and rounded, so that neighbouring
// areas still meet.
ContentRectRequest ScaleContentRect(const ContentRectRequest& css, int dpi);
// The request's rectangle kept inside a client area of width x height; none
// when it has no size before or after.
std::optional<PixelRect> ClampContentRect(const ContentRectRequest& request, int width, int height);

struct PasswordRequest {
    std::string oldPassword;
    std::string newPassword;
    std::string hint;
};
PasswordRequest ReadPasswordRequest(const JsonValue& data);

// The probe timer's period for an interval in seconds; 0 (off) for an
// interval of 0 or less, at most the longest period a window timer takes.
unsigned ProbeTimerPeriodMs(int intervalSec);

std::string ReadImportText(const JsonValue& data);

// At most this many .rdp files in one import; each is at most the reader's
// own cap (kRdpFileMaxBytes).
constexpr std::size_t kMaxRdpFilesPerImport = 1000;

struct RdpUpload {
    std::string name;  // as the page gave it
    std::string data;  // Base64, as the page gave it
};
// "files": each item's "name" and "data"; an item that is no object reads
// as a file without a name and without bytes.
std::vector<RdpUpload> ReadRdpUploads(const JsonValue& data);

struct ExportRequest {
    std::string path;               // "path" trimmed; empty: ask in the save dialog
    bool includePasswords = false;  // "includePasswords"
    std::string password;           // "password": the start-up password again
};
ExportRequest ReadExportRequest(const JsonValue& data);
std::string ReadWindowAction(const JsonValue& data);
// "delta" (default 1).
int ReadSwitchDelta(const JsonValue& data);
// "ok" (default false).
bool ReadConfirmOk(const JsonValue& data);
