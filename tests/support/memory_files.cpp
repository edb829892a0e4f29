#include "support/memory_files.h"

#include "core/file_replace.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

// One spelling per path: "/" between names, none at the end.
std::string Key(const std::string& path) {
    std::string key = path;
    for (char& c : key) {
        if (c == '\\') c = '/';
    }
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
}

std::string ParentOf(const std::string& key) {
    const std::size_t slash = key.find_last_of('/');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

// A path's outermost name ("", "C:", "/", a bare relative name's folder):
// always there, never made, as a drive or the file system's root.
bool IsRoot(const std::string& key) {
    return key.empty() || key == "/" || (key.size() == 2 && key[1] == ':');
}

}  // namespace

// The replace's steps over the map: the temporary file is an ordinary
// entry until it takes the name, as on a disk.
class MemoryReplaceSteps : public FileReplaceSteps {
public:
    explicit MemoryReplaceSteps(MemoryFiles& files) : files_(files) {}
    bool WriteTemp(const std::string& temp, std::string_view bytes) override {
        return files_.StoreLocked(Key(temp), bytes, false);
    }
    bool FlushTemp() override { return true; }
    void CloseTemp() override {}
    bool Replace(const std::string& temp, const std::string& path) override {
        const std::string from = Key(temp), to = Key(path);
        auto found = files_.files_.find(from);
        if (found == files_.files_.end() || files_.folders_.count(to) != 0) return false;
        files_.files_[to] = std::move(found->second);
        files_.files_.erase(from);
        return true;
    }
    void RemoveTemp(const std::string& temp) override { files_.files_.erase(Key(temp)); }

private:
    MemoryFiles& files_;
};

MemoryFiles::MemoryFiles() : previous_(SetFileLayer(this)) {}

MemoryFiles::~MemoryFiles() {
    SetFileLayer(previous_);
}

FileRead MemoryFiles::Read(const std::string& path, std::string* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string key = Key(path);
    if (folders_.count(key) != 0) return FileRead::kUnreadable;
    auto found = files_.find(key);
    if (found == files_.end()) return FileRead::kMissing;
    *out = found->second;
    return FileRead::kRead;
}

bool MemoryFiles::StoreLocked(const std::string& key, std::string_view bytes, bool mustBeNew) {
    const std::string parent = ParentOf(key);
    if (folders_.count(key) != 0 || (!IsRoot(parent) && folders_.count(parent) == 0)) return false;
    if (mustBeNew && files_.count(key) != 0) return false;
    files_[key] = std::string(bytes);
    return true;
}

bool MemoryFiles::Write(const std::string& path, std::string_view bytes, FileWrite how) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (how == FileWrite::kAtomic) {
        MemoryReplaceSteps steps(*this);
        return ReplaceFileWith(steps, path, bytes);
    }
    return StoreLocked(Key(path), bytes, how == FileWrite::kNew);
}

bool MemoryFiles::Remove(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return files_.erase(Key(path)) != 0;
}

bool MemoryFiles::IsFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return files_.count(Key(path)) != 0;
}

bool MemoryFiles::MakeDirsLocked(const std::string& key) {
    // As on a disk, a name already taken by a file counts as there; a file
    // among the parents makes the folder impossible.
    if (IsRoot(key) || folders_.count(key) != 0 || files_.count(key) != 0) return true;
    const std::string parent = ParentOf(key);
    if (!MakeDirsLocked(parent) || (!IsRoot(parent) && folders_.count(parent) == 0)) return false;
    folders_.insert(key);
    return true;
}

bool MemoryFiles::EnsureDir(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return !path.empty() && MakeDirsLocked(Key(path));
}

std::set<std::string> MemoryFiles::Names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::set<std::string> names;
    for (const auto& file : files_) names.insert(file.first);
    return names;
}

bool MemoryFiles::IsFolder(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return folders_.count(Key(path)) != 0;
}

std::string MemoryDataDir::Root() {
#ifdef _WIN32
    return "C:\\memory";
#else
    return "/memory";
#endif
}

MemoryDataDir::MemoryDataDir() : path_(JoinPath(Root(), "data")) {
    SetDataDirOverride(path_);
}

MemoryDataDir::~MemoryDataDir() {
    SetDataDirOverride("");
}

std::string MemoryDataDir::file(const std::string& name) const {
    return JoinPath(path_, name);
}

std::string MemoryDataDir::Raw(const std::string& path) {
    std::string bytes;
    return files.Read(path, &bytes) == FileRead::kRead ? bytes : std::string();
}
