// The DLL's exports: COM registration, and the functions through which
// tests steer the stand-in and read what it was told.
#include <objbase.h>
#include <windows.h>

#include <string>
#include <vector>

#include "standins/rdpcontrol/control_classes.h"
#include "standins/rdpcontrol/journal.h"
#include "standins/rdpcontrol/module.h"
#include "standins/rdpcontrol/standin_control.h"

namespace {

// The ProgIDs the program tries, newest control first.
const wchar_t* const kProgIds[] = {
    L"MsTscAx.MsTscAx.12", L"MsTscAx.MsTscAx.11", L"MsTscAx.MsTscAx.10",
    L"MsRdpClient.9",      L"MsRdpClient.8",      L"MsTscAx.MsTscAx",
};
constexpr wchar_t kDescription[] = L"Tavolin RDP client control stand-in";

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[64] = {};
    StringFromGUID2(clsid, text, 64);
    return text;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(StandinInstance(), &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::vector<std::wstring> SplitList(const wchar_t* list) {
    std::vector<std::wstring> names;
    std::wstring current;
    for (const wchar_t* at = list;; ++at) {
        if (*at == L';' || *at == L'\0') {
            const std::size_t first = current.find_first_not_of(L" \t");
            const std::size_t last = current.find_last_not_of(L" \t");
            if (first != std::wstring::npos) names.push_back(current.substr(first, last - first + 1));
            current.clear();
            if (*at == L'\0') break;
        } else {
            current += *at;
        }
    }
    return names;
}

// Writes the default value (valueName null) or a named one of a key under
// HKEY_CLASSES_ROOT, creating the key.
LSTATUS WriteClassesValue(const std::wstring& key, const wchar_t* valueName, const std::wstring& value) {
    HKEY handle = nullptr;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(handle, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status;
}

LSTATUS RemoveClassesKey(const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
        return ERROR_SUCCESS;
    }
    return status;
}

LSTATUS RegisterClassKey(const CLSID& clsid) {
    const std::wstring key = L"CLSID\\" + ClsidText(clsid);
    LSTATUS status = WriteClassesValue(key, nullptr, kDescription);
    if (status == ERROR_SUCCESS) status = WriteClassesValue(key + L"\\InprocServer32", nullptr, ModulePath());
    if (status == ERROR_SUCCESS)
        status = WriteClassesValue(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    return status;
}

LSTATUS RegisterProgId(const std::wstring& progId) {
    LSTATUS status = WriteClassesValue(progId, nullptr, kDescription);
    if (status == ERROR_SUCCESS)
        status = WriteClassesValue(progId + L"\\CLSID", nullptr, ClsidText(kStandinControlClsid));
    return status;
}

bool IsProgId(const std::wstring& name) {
    for (const wchar_t* progId : kProgIds) {
        if (lstrcmpiW(progId, name.c_str()) == 0) return true;
    }
    return false;
}

LSTATUS Unregister() {
    LSTATUS status = ERROR_SUCCESS;
    std::size_t count = 0;
    const ControlClass* classes = ControlClasses(&count);
    for (std::size_t i = 0; i < count; ++i) {
        const LSTATUS removed = RemoveClassesKey(L"CLSID\\" + ClsidText(classes[i].clsid));
        if (status == ERROR_SUCCESS) status = removed;
    }
    for (const wchar_t* progId : kProgIds) {
        const LSTATUS removed = RemoveClassesKey(progId);
        if (status == ERROR_SUCCESS) status = removed;
    }
    return status;
}

// Every documented class and ProgID, or the ones list names; the others are
// removed, so that a test sees exactly the classes it asked for.
HRESULT Register(const wchar_t* list) {
    std::vector<std::wstring> wanted;
    std::size_t count = 0;
    const ControlClass* classes = ControlClasses(&count);
    if (list == nullptr) {
        for (std::size_t i = 0; i + 1 < count; ++i) wanted.push_back(classes[i].name);
        for (const wchar_t* progId : kProgIds) wanted.push_back(progId);
    } else {
        wanted = SplitList(list);
    }
    LSTATUS status = Unregister();
    bool anyProgId = false;
    for (const std::wstring& name : wanted) {
        if (status != ERROR_SUCCESS) break;
        if (const ControlClass* named = FindControlClassByName(name.c_str())) {
            status = RegisterClassKey(named->clsid);
        } else if (IsProgId(name)) {
            status = RegisterProgId(name);
            anyProgId = true;
        }
    }
    if (status == ERROR_SUCCESS && anyProgId) status = RegisterClassKey(kStandinControlClsid);
    return HRESULT_FROM_WIN32(status);
}

}  // namespace

STDAPI DllRegisterServer() {
    return Guarded([] { return Register(nullptr); });
}

STDAPI DllUnregisterServer() {
    return Guarded([] { return HRESULT_FROM_WIN32(Unregister()); });
}

extern "C" {

long __stdcall StandinRegister(const wchar_t* progIds) {
    return Guarded([&] { return Register(progIds); });
}

void __stdcall StandinReset() {
    ResetTestState();
}

void __stdcall StandinSetOption(const char* name, long value) {
    SetOption(name, value);
}

void __stdcall StandinSetErrorDescription(const wchar_t* text) {
    SetErrorDescription(text);
}

int __stdcall StandinJournal(char* buffer, int capacity) {
    const std::string journal = JournalText();
    const int length = static_cast<int>(journal.size());
    if (buffer != nullptr && capacity > length) {
        CopyMemory(buffer, journal.data(), journal.size());
        buffer[length] = '\0';
    }
    return length;
}

void __stdcall StandinClearJournal() {
    ClearJournal();
}

long __stdcall StandinLiveObjects() {
    return LiveObjectCount();
}

}  // extern "C"
