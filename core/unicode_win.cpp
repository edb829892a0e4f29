#include <windows.h>

#include "core/unicode.h"

std::wstring ToWide(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > 0x7FFFFFFF) return std::wstring();
    const int length = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &wide[0], needed) != needed)
        return std::wstring();
    return wide;
}

std::string ToUtf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > 0x7FFFFFFF) return std::string();
    const int length = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &utf8[0], needed, nullptr, nullptr) != needed) {
        return std::string();
    }
    return utf8;
}
