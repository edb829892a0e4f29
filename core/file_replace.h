// The order in which a file is replaced so that a power cut leaves the old
// file or the new one, never an empty or partial one: the new bytes go to a
// temporary file beside it, reach the disk, and only then does the
// temporary take the file's name. Each platform supplies the steps.
#pragma once

#include <string>
#include <string_view>

class FileReplaceSteps {
public:
    virtual ~FileReplaceSteps() = default;
    // Creates or truncates temp and writes every byte.
    virtual bool WriteTemp(const std::string& temp, std::string_view bytes) = 0;
    // Until this returns true the bytes may be only in the system's cache.
    virtual bool FlushTemp() = 0;
    virtual void CloseTemp() = 0;
    // Moves temp over path in one step.
    virtual bool Replace(const std::string& temp, const std::string& path) = 0;
    virtual void RemoveTemp(const std::string& temp) = 0;
};

// The name of the temporary file beside path.
std::string TempFileFor(const std::string& path);

// Write, flush, close, replace; after any failure the temporary file is
// closed and removed and path is untouched.
bool ReplaceFileWith(FileReplaceSteps& steps, const std::string& path, std::string_view bytes);
