#include <mutex>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

std::mutex& DataDirMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& OverrideSlot() {
    static std::string value;
    return value;
}

std::string& CacheSlot() {
    static std::string value;
    return value;
}

// A folder counts as writable only when a file can really be written in it:
// folder permissions alone don't say so on every system.
bool CanWriteIn(const std::string& folder) {
    if (!EnsureDir(folder)) return false;
    const std::string probe = JoinPath(folder, ".write_probe");
    if (!WriteWholeFile(probe, "x")) return false;
    RemoveFile(probe);
    return true;
}

std::string ResolveDataDir() {
    const std::string& override = OverrideSlot();
    if (!override.empty()) {
        EnsureDir(override);  // used even when it can't be created
        return override;
    }
    const std::string besideExe = JoinPath(ExeDir(), "data");
    if (CanWriteIn(besideExe)) return besideExe;
    const std::string roaming = RoamingAppDataDir();
    const std::string folder = roaming.empty() ? besideExe : JoinPath(roaming, "Tavolin");
    EnsureDir(folder);
    return folder;
}

}  // namespace

std::string ExeDir() {
    const std::string path = ExePath();
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(0, slash);
}

void SetDataDirOverride(const std::string& path) {
    std::lock_guard<std::mutex> lock(DataDirMutex());
    OverrideSlot() = path;
    CacheSlot().clear();
}

std::string DataDir() {
    std::lock_guard<std::mutex> lock(DataDirMutex());
    if (CacheSlot().empty()) CacheSlot() = ResolveDataDir();
    return CacheSlot();
}
