// Helpers shared by the test programs (native and under Wine).
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A fresh, empty folder for one test, removed with everything in it when the
// object goes away. path() is UTF-8 and ends without a separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() joined with name by the product's own JoinPath.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Installs a log sink for its lifetime and keeps every record it receives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::pair<std::string, std::string>> records() const;  // (level, message)
    // True when a record of this level has exactly this message.
    bool has(const std::string& level, const std::string& message) const;
    // True when a record of this level starts with prefix.
    bool hasPrefix(const std::string& level, const std::string& prefix) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, std::string>> records_;
};

// True for a server id as the program makes them: 16 lower-case hex digits.
bool IsServerId(const std::string& id);

// Reads a file's raw bytes (no byte order mark handling), "" when missing.
std::string ReadRawFile(const std::string& path);
