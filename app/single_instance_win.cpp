#include <windows.h>

#include "app/single_instance.h"
// sddl.h needs the types of windows.h first.
#include <sddl.h>

#include <memory>
#include <vector>

namespace {

std::wstring UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
    const UniqueHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return std::wstring();
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return std::wstring();
    }
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

// A mutex only this user may open: another user cannot take it over or
// wait on it (learn.microsoft.com/windows/win32/secauthz/security-descriptor-string-format).
UniqueHandle CreateUserMutex(const std::wstring& name, const std::wstring& sid, DWORD* error) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring sddl = L"D:P(A;;GA;;;" + sid + L")";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        *error = GetLastError();
        return UniqueHandle();
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    UniqueHandle mutex(CreateMutexW(&attributes, FALSE, name.c_str()));
    *error = GetLastError();
    LocalFree(descriptor);
    return mutex;
}

std::wstring MutexName(bool global, const std::wstring& sid) {
    return (global ? L"Global\\Tavolin-" : L"Local\\Tavolin-") + sid;
}

}  // namespace

std::wstring InstanceMutexName(bool global) {
    const std::wstring sid = UserSid();
    return sid.empty() ? std::wstring() : MutexName(global, sid);
}

InstanceClaim SingleInstance::Take() {
    const std::wstring sid = UserSid();
    if (sid.empty()) return InstanceClaim::kUnguarded;
    DWORD error = 0;
    UniqueHandle local = CreateUserMutex(MutexName(false, sid), sid, &error);
    if (local.valid() && error == ERROR_ALREADY_EXISTS) return InstanceClaim::kRunningHere;
    // Held by another user's process under this user's name: no guard.
    if (!local.valid()) return InstanceClaim::kUnguarded;
    UniqueHandle global = CreateUserMutex(MutexName(true, sid), sid, &error);
    if (global.valid() && error == ERROR_ALREADY_EXISTS) return InstanceClaim::kRunningElsewhere;
    local_ = std::move(local);
    global_ = std::move(global);  // may be invalid: this session is still guarded
    return InstanceClaim::kOurs;
}

void SingleInstance::Release() {
    global_.reset();
    local_.reset();
}
