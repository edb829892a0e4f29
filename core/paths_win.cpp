#include <shlobj.h>
#include <windows.h>

#include "core/paths.h"
#include "core/unicode.h"

std::string ExePath() {
    wchar_t buffer[520];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 520);
    if (length == 0 || length >= 520) return std::string();
    return ToUtf8(std::wstring_view(buffer, length));
}

std::string RoamingAppDataDir() {
    wchar_t buffer[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return std::string();
    return ToUtf8(buffer);
}
