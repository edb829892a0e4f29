#include "core/file_io.h"

#include <atomic>

namespace {

std::atomic<FileLayer*>& InstalledLayer() {
    static std::atomic<FileLayer*> layer{nullptr};
    return layer;
}

FileLayer& Files() {
    FileLayer* layer = InstalledLayer().load();
    return layer != nullptr ? *layer : SystemFiles();
}

}  // namespace

FileLayer* SetFileLayer(FileLayer* layer) {
    return InstalledLayer().exchange(layer);
}

FileRead ReadExistingFile(const std::string& path, std::string* out) {
    std::string content;
    const FileRead read = Files().Read(path, &content);
    if (read != FileRead::kRead) return read;
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    if (out != nullptr) *out = std::move(content);
    return read;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
    return ReadExistingFile(path, out) == FileRead::kRead;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    return Files().Write(path, bytes, FileWrite::kTruncate);
}

bool WriteNewFile(const std::string& path, std::string_view bytes) {
    return Files().Write(path, bytes, FileWrite::kNew);
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes) {
    return Files().Write(path, bytes, FileWrite::kAtomic);
}

bool RemoveFile(const std::string& path) {
    return Files().Remove(path);
}

bool IsFile(const std::string& path) {
    return Files().IsFile(path);
}

bool EnsureDir(const std::string& path) {
    return Files().EnsureDir(path);
}
