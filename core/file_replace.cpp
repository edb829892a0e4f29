#include "core/file_replace.h"

std::string TempFileFor(const std::string& path) {
    return path + ".tmp";
}

bool ReplaceFileWith(FileReplaceSteps& steps, const std::string& path, std::string_view bytes) {
    const std::string temp = TempFileFor(path);
    const bool written = steps.WriteTemp(temp, bytes) && steps.FlushTemp();
    // Closed before the move: Windows does not rename a file that is open
    // without sharing the delete right.
    steps.CloseTemp();
    if (written && steps.Replace(temp, path)) return true;
    steps.RemoveTemp(temp);
    return false;
}
