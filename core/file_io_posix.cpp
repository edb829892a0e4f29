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

FileRead ReadFd(int fd, std::string* out) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) return FileRead::kUnreadable;
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd, &content[done], content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileRead::kUnreadable;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    content.resize(done);
    *out = std::move(content);
    return FileRead::kRead;
}

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

bool Unlink(const std::string& path) {
    return ::unlink(NativePath(path).c_str()) == 0;
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
    void RemoveTemp(const std::string& temp) override { Unlink(temp); }

private:
    int fd_ = -1;
};

bool MakeDirs(const std::string& native) {
    if (::mkdir(native.c_str(), 0755) == 0 || errno == EEXIST) return true;
    const std::size_t slash = native.find_last_of('/');
    if (slash == std::string::npos || slash <= 2) return false;
    if (!MakeDirs(native.substr(0, slash))) return false;
    return ::mkdir(native.c_str(), 0755) == 0 || errno == EEXIST;
}

class PosixFiles : public FileLayer {
public:
    FileRead Read(const std::string& path, std::string* out) override {
        Fd fd(::open(NativePath(path).c_str(), O_RDONLY));
        if (fd.get() < 0) {
            return errno == ENOENT || errno == ENOTDIR ? FileRead::kMissing : FileRead::kUnreadable;
        }
        return ReadFd(fd.get(), out);
    }
    bool Write(const std::string& path, std::string_view bytes, FileWrite how) override {
        if (how == FileWrite::kAtomic) {
            PosixReplaceSteps steps;
            return ReplaceFileWith(steps, path, bytes);
        }
        return WriteOpened(path, bytes, how == FileWrite::kNew ? O_EXCL : O_TRUNC);
    }
    bool Remove(const std::string& path) override { return Unlink(path); }
    bool IsFile(const std::string& path) override {
        struct stat info;
        return ::stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    }
    bool EnsureDir(const std::string& path) override { return !path.empty() && MakeDirs(NativePath(path)); }
};

}  // namespace

FileLayer& SystemFiles() {
    static PosixFiles files;
    return files;
}

std::string FileTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Format("%04d-%02d-%02d_%02d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
}
