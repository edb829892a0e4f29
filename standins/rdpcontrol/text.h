// Text conversions for the journal and the Windows calls.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

std::string Utf8(const wchar_t* text);
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// A VARIANT as the journal writes it: "str:<utf-8>", "bool:<n>", "i4:<n>",
// "null" for a missing one, "vt<type>" for any other type. A VARIANT_BOOL is
// written as the number it holds, so a TRUE of 1 instead of -1 shows.
std::string ValueText(const VARIANT* value);

std::string RectText(const RECT* rect);
