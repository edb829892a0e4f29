// The native build's file layer (tests, fuzzers, benchmarks). Paths may use
// "\" like the Windows program; it becomes "/" at the system call.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "core/file_io.h"
#include "core/file_replace.h"
#include "core/text.h"

namespace {

std::string NativePath(const std::string& path) {
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

FileRead ReadExistingFile(const std::string& path, std::string* out) {
    Fd fd(::open(NativePath(path).c_str(), O_RDONLY));
    if (fd.get() < 0) return errno == ENOENT || errno == ENOTDIR ? FileRead::kMissing : FileRead::kUnreadable;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) return FileRead::kUnreadable;
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd.get(), &content[done], content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileRead::kUnreadable;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    content.resize(done);
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    if (out != nullptr) *out = std::move(content);
    return FileRead::kRead;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
    return ReadExistingFile(path, out) == FileRead::kRead;
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteOpened(const std::string& path, std::string_view bytes, int flags) {
    Fd fd(::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | flags, 0644));
    return fd.get() >= 0 && WriteAll(fd.get(), bytes);
}

class PosixReplaceSteps : public FileReplaceSteps {
public:
    ~PosixReplaceSteps() override { CloseTemp(); }
    bool WriteTemp(const std::string& temp, std::string_view bytes) override {
        fd_ = ::open(NativePath(temp).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        return fd_ >= 0 && WriteAll(fd_, bytes);
    }
    bool FlushTemp() override { return ::fsync(fd_) == 0; }
    void CloseTemp() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool Replace(const std::string& temp, const std::string& path) override {
        return std::rename(NativePath(temp).c_str(), NativePath(path).c_str()) == 0;
    }
    void RemoveTemp(const std::string& temp) override { RemoveFile(temp); }

private:
    int fd_ = -1;
};

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    return WriteOpened(path, bytes, O_TRUNC);
}

bool WriteNewFile(const std::string& path, std::string_view bytes) {
    return WriteOpened(path, bytes, O_EXCL);
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes) {
    PosixReplaceSteps steps;
    return ReplaceFileWith(steps, path, bytes);
}

bool RemoveFile(const std::string& path) {
    return ::unlink(NativePath(path).c_str()) == 0;
}

bool IsFile(const std::string& path) {
    struct stat info;
    return ::stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool EnsureDir(const std::string& path) {
    if (path.empty()) return false;
    const std::string native = NativePath(path);
    if (::mkdir(native.c_str(), 0755) == 0 || errno == EEXIST) return true;
    const std::size_t slash = native.find_last_of('/');
    if (slash == std::string::npos || slash <= 2) return false;
    if (!EnsureDir(native.substr(0, slash))) return false;
    return ::mkdir(native.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string FileTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Format("%04d-%02d-%02d_%02d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
}
