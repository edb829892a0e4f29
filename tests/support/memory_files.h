// Files kept in memory, put in place of the files used before for its
// lifetime (the system's, or another MemoryFiles the test nests it in): the
// store's saves cost no disk and leave nothing behind. As strict as a disk
// in what it refuses: a file needs its folder, a folder is not a file, a
// new file needs a free name, and an atomic write goes through the same
// steps (core/file_replace.h) as on a disk.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "core/file_io.h"

class MemoryFiles : public FileLayer {
public:
    MemoryFiles();
    ~MemoryFiles() override;
    MemoryFiles(const MemoryFiles&) = delete;
    MemoryFiles& operator=(const MemoryFiles&) = delete;

    FileRead Read(const std::string& path, std::string* out) override;
    bool Write(const std::string& path, std::string_view bytes, FileWrite how) override;
    bool Remove(const std::string& path) override;
    bool IsFile(const std::string& path) override;
    bool EnsureDir(const std::string& path) override;

    // Every file name, "/" separated, in order.
    std::set<std::string> Names() const;
    bool IsFolder(const std::string& path) const;

private:
    friend class MemoryReplaceSteps;
    bool StoreLocked(const std::string& key, std::string_view bytes, bool mustBeNew);
    bool MakeDirsLocked(const std::string& key);

    FileLayer* previous_ = nullptr;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::set<std::string> folders_;
};

// A data folder in memory, named to the store as its folder for its
// lifetime; path() and file() as a TempDir gives them.
class MemoryDataDir {
public:
    // A full path on the system the program runs on, under which the data
    // folder and any other the test makes lie.
    static std::string Root();
    MemoryDataDir();
    ~MemoryDataDir();
    MemoryDataDir(const MemoryDataDir&) = delete;
    MemoryDataDir& operator=(const MemoryDataDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const;
    // A file's bytes as stored, "" when there is none.
    std::string Raw(const std::string& path);

    MemoryFiles files;

private:
    std::string path_;
};
