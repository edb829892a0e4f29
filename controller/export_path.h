// Where the page may have the server list exported to: a full path, and
// never the program's own data folder, so an export can overwrite neither
// config.json nor anything beside it.
#pragma once

#include <string>
#include <string_view>

enum class ExportPathCheck {
    kOk,
    kNotFullPath,       // relative, drive-relative, a device, or a stream name
    kInsideDataFolder,  // the data folder or anything in it
    kNetworkPath,       // a UNC path or a mapped drive: the file would leave the machine
};

// path as the page gave it; fullPath the same and dataFolder made full by
// the system (IHostEnvironment::FullPath), so that what the system would
// resolve to the data folder or to a share is caught too; onNetworkDrive
// whether fullPath's drive letter is mapped to a share. An empty data folder
// is never matched.
ExportPathCheck CheckExportPath(std::string_view path, std::string_view fullPath, std::string_view dataFolder,
                                bool onNetworkDrive);

// "X:\..." or a UNC path "\\server\share\..." (either separator), also in
// the "\\?\" long form; not "\\.\" devices, not "X:name", not "\name", and
// no ":" after the drive's (alternate data streams).
bool IsFullWindowsPath(std::string_view path);

// "\\server\share\..." in either spelling, the long "\\?\UNC\" one included.
bool IsNetworkPath(std::string_view path);

// The form two paths are compared in: one "\" between names, "." and ".."
// resolved, the trailing dots and blanks Windows ignores removed, ASCII
// letters lower-cased, the long-path prefix dropped.
std::string PathCompareKey(std::string_view path);
