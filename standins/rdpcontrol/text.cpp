#include "standins/rdpcontrol/text.h"

std::string Utf8(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<size_t>(size) - 1);
    return result;
}

std::string Utf8(const std::wstring& text) {
    return Utf8(text.c_str());
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &result[0], size);
    return result;
}

std::string ValueText(const VARIANT* value) {
    if (value == nullptr) return "null";
    switch (value->vt) {
        case VT_BSTR:
            return "str:" + Utf8(value->bstrVal);
        case VT_BOOL:
            return "bool:" + std::to_string(value->boolVal);
        case VT_I4:
            return "i4:" + std::to_string(value->lVal);
        case VT_UI4:
            return "ui4:" + std::to_string(value->ulVal);
        default:
            return "vt" + std::to_string(value->vt);
    }
}

std::string RectText(const RECT* rect) {
    if (rect == nullptr) return "null";
    return std::to_string(rect->left) + " " + std::to_string(rect->top) + " " + std::to_string(rect->right) +
           " " + std::to_string(rect->bottom);
}
