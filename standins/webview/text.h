// Text conversions at the COM boundary: the stand-in works in UTF-8 inside
// and hands UTF-16 strings out allocated as the runtime allocates them.
#pragma once

#include <windows.h>

#include <string>

std::string Utf8(const wchar_t* text);
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// A copy for an LPWSTR* out-parameter, freed by the caller with
// CoTaskMemFree. E_POINTER for a null out, E_OUTOFMEMORY when it fails.
HRESULT CopyOut(const std::wstring& text, LPWSTR* out);
