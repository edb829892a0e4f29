// Whole-file reads and writes, the atomic replace and the time stamp used in
// file names. Paths are UTF-8; "\" and "/" both separate folders.
#pragma once

#include <string>
#include <string_view>

// Reads the whole file; a leading UTF-8 byte order mark is dropped.
bool ReadWholeFile(const std::string& path, std::string* out);
// ReadWholeFile that tells a file which is not there from one which is there
// but cannot be read (locked, access denied, a folder).
enum class FileRead { kRead, kMissing, kUnreadable };
FileRead ReadExistingFile(const std::string& path, std::string* out);
// Creates or truncates the file and writes every byte; no byte order mark.
bool WriteWholeFile(const std::string& path, std::string_view bytes);
// Creates the file only when nothing has its name; false when something does.
bool WriteNewFile(const std::string& path, std::string_view bytes);
// Writes path + ".tmp", flushes it to the disk, then moves it over path: a
// reader, also after a power cut, sees the old file or the new one, never a
// partial one (core/file_replace.h).
bool WriteFileAtomic(const std::string& path, std::string_view bytes);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);
// True when the entry exists and is not a folder.
bool IsFile(const std::string& path);
// Creates the folder and any missing parents; true when it exists after.
bool EnsureDir(const std::string& path);
// Local time as "YYYY-MM-DD_hh-mm-ss", for file names.
std::string FileTimestamp();

// Where the functions above do their work: the system's files, unless a
// layer was put in their place. Tests, fuzz targets and benchmarks keep
// their store's files in memory this way; the program never does.
enum class FileWrite { kTruncate, kNew, kAtomic };
class FileLayer {
public:
    virtual ~FileLayer() = default;
    // The bytes as stored, byte order mark included.
    virtual FileRead Read(const std::string& path, std::string* out) = 0;
    virtual bool Write(const std::string& path, std::string_view bytes, FileWrite how) = 0;
    virtual bool Remove(const std::string& path) = 0;
    virtual bool IsFile(const std::string& path) = 0;
    virtual bool EnsureDir(const std::string& path) = 0;
};

// The system's own files.
FileLayer& SystemFiles();
// Puts layer in place of the system's files (nullptr: the system's again)
// and returns the one it replaces; the caller keeps layer alive meanwhile.
// Only while no other thread uses files.
FileLayer* SetFileLayer(FileLayer* layer);
