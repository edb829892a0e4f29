#include <windows.h>

#include "core/file_io.h"
#include "core/file_replace.h"
#include "core/text.h"
#include "core/unicode.h"
#include "core/win_handle.h"

namespace {

FileRead ReadPath(const std::string& path, std::string* out) {
    UniqueHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        // Everything else (sharing violation, access denied, a folder) means
        // the file may well be there.
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::kMissing
                                                                              : FileRead::kUnreadable;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) {
        return FileRead::kUnreadable;
    }
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!content.empty() &&
        !ReadFile(file.get(), &content[0], static_cast<DWORD>(content.size()), &read, nullptr)) {
        return FileRead::kUnreadable;
    }
    content.resize(read);
    *out = std::move(content);
    return FileRead::kRead;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    if (bytes.empty()) return true;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    return WriteFile(file, bytes.data(), size, &written, nullptr) && written == size;
}

bool WriteCreated(const std::string& path, std::string_view bytes, DWORD disposition) {
    if (bytes.size() > 0xFFFFFFFFu) return false;
    UniqueHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && WriteAll(file.get(), bytes);
}

// Another program that holds the file open for a moment (a backup, a virus
// scanner, an editor reading it) refuses the replace; it is tried again for
// a short while, short enough for the interface thread.
constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplacePauseMs = 15;

bool MayPassSoon(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

class WindowsReplaceSteps : public FileReplaceSteps {
public:
    bool WriteTemp(const std::string& temp, std::string_view bytes) override {
        if (bytes.size() > 0xFFFFFFFFu) return false;
        file_ = UniqueHandle(CreateFileW(ToWide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        return file_.valid() && WriteAll(file_.get(), bytes);
    }
    // WriteFile leaves the bytes in the system's cache, which a power cut
    // loses after the rename has reached the disk: flushed first
    // (learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-flushfilebuffers).
    bool FlushTemp() override { return FlushFileBuffers(file_.get()) != 0; }
    void CloseTemp() override { file_.reset(); }
    bool Replace(const std::string& temp, const std::string& path) override {
        const std::wstring from = ToWide(temp), to = ToWide(path);
        for (int attempt = 1;; ++attempt) {
            if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                return true;
            }
            if (attempt == kReplaceAttempts || !MayPassSoon(GetLastError())) return false;
            Sleep(kReplacePauseMs);
        }
    }
    void RemoveTemp(const std::string& temp) override { DeleteFileW(ToWide(temp).c_str()); }

private:
    UniqueHandle file_;
};

bool CreateOrFindDir(const std::string& path) {
    return CreateDirectoryW(ToWide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool MakeDirs(const std::string& path) {
    if (CreateOrFindDir(path)) return true;
    const std::size_t slash = path.find_last_of("\\/");
    // No parent, or the parent is a drive root such as "C:\", which can't
    // be created.
    if (slash == std::string::npos || slash <= 2) return false;
    if (!MakeDirs(path.substr(0, slash))) return false;
    return CreateOrFindDir(path);
}

class WindowsFiles : public FileLayer {
public:
    FileRead Read(const std::string& path, std::string* out) override { return ReadPath(path, out); }
    bool Write(const std::string& path, std::string_view bytes, FileWrite how) override {
        if (how == FileWrite::kAtomic) {
            WindowsReplaceSteps steps;
            return ReplaceFileWith(steps, path, bytes);
        }
        return WriteCreated(path, bytes, how == FileWrite::kNew ? CREATE_NEW : CREATE_ALWAYS);
    }
    bool Remove(const std::string& path) override { return DeleteFileW(ToWide(path).c_str()) != 0; }
    bool IsFile(const std::string& path) override {
        const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    bool EnsureDir(const std::string& path) override { return !path.empty() && MakeDirs(path); }
};

}  // namespace

FileLayer& SystemFiles() {
    static WindowsFiles files;
    return files;
}

std::string FileTimestamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Format("%04d-%02d-%02d_%02d-%02d-%02d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
}
