#include "controller/export_path.h"

#include <vector>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithDrive(std::string_view path) {
    return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

bool StartsWithUnc(std::string_view path) {
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

// "\\?\X:\..." gives "X:\...", "\\?\UNC\server\..." gives "\\server\...";
// anything else comes back unchanged.
std::string_view StripLongPrefix(std::string_view path, std::string* storage) {
    if (path.size() < 4 || !IsSeparator(path[0]) || !IsSeparator(path[1]) || path[2] != '?' ||
        !IsSeparator(path[3])) {
        return path;
    }
    const std::string_view rest = path.substr(4);
    if (rest.size() >= 4 && (rest[0] == 'U' || rest[0] == 'u') && (rest[1] == 'N' || rest[1] == 'n') &&
        (rest[2] == 'C' || rest[2] == 'c') && IsSeparator(rest[3])) {
        *storage = "\\\\" + std::string(rest.substr(4));
        return *storage;
    }
    return rest;
}

bool IsPosixBuild() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

void AppendSegment(std::vector<std::string>& segments, std::string segment) {
    // Windows drops trailing dots and blanks of a name: "config.json. "
    // is config.json.
    while (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) segment.pop_back();
    if (segment.empty()) return;  // also "." and "..", resolved by the caller
    for (char& c : segment) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    segments.push_back(std::move(segment));
}

}  // namespace

bool IsFullWindowsPath(std::string_view path) {
    std::string storage;
    const std::string_view plain = StripLongPrefix(path, &storage);
    std::size_t namesFrom = 0;
    if (StartsWithDrive(plain)) {
        namesFrom = 2;
    } else if (StartsWithUnc(plain) && plain[2] != '?' && plain[2] != '.') {
        namesFrom = 2;
    } else {
        return false;
    }
    return plain.find(':', namesFrom) == std::string_view::npos;
}

bool IsNetworkPath(std::string_view path) {
    std::string storage;
    const std::string_view plain = StripLongPrefix(path, &storage);
    return StartsWithUnc(plain) && plain[2] != '?' && plain[2] != '.';
}

std::string PathCompareKey(std::string_view path) {
    std::string storage;
    const std::string_view plain = StripLongPrefix(path, &storage);
    std::string root;
    std::size_t at = 0;
    if (StartsWithUnc(plain)) {
        root = "\\\\";
        at = 2;
    } else if (plain.size() >= 2 && IsDriveLetter(plain[0]) && plain[1] == ':') {
        root = std::string(1, static_cast<char>(plain[0] | 0x20)) + ":";
        at = 2;
    }
    std::vector<std::string> segments;
    while (at <= plain.size()) {
        std::size_t end = at;
        while (end < plain.size() && !IsSeparator(plain[end])) ++end;
        const std::string_view segment = plain.substr(at, end - at);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (segment != ".") {
            AppendSegment(segments, std::string(segment));
        }
        at = end + 1;
    }
    std::string key = root;
    for (const std::string& segment : segments) {
        if (key.empty() || key.back() != '\\') key += '\\';
        key += segment;
    }
    return key;
}

ExportPathCheck CheckExportPath(std::string_view path, std::string_view fullPath, std::string_view dataFolder,
                                bool onNetworkDrive) {
    const bool full = IsPosixBuild() ? !path.empty() && path[0] == '/' : IsFullWindowsPath(path);
    if (!full) return ExportPathCheck::kNotFullPath;
    if (onNetworkDrive || IsNetworkPath(path) || IsNetworkPath(fullPath))
        return ExportPathCheck::kNetworkPath;
    if (dataFolder.empty()) return ExportPathCheck::kOk;
    const std::string target = PathCompareKey(fullPath);
    const std::string folder = PathCompareKey(dataFolder);
    if (target == folder) return ExportPathCheck::kInsideDataFolder;
    if (target.size() > folder.size() && target.compare(0, folder.size(), folder) == 0 &&
        (folder.back() == '\\' || target[folder.size()] == '\\')) {
        return ExportPathCheck::kInsideDataFolder;
    }
    return ExportPathCheck::kOk;
}
