#include <windows.h>

#include "app/single_instance.h"
#include "core/user_sid.h"
// sddl.h needs the types of windows.h first.
#include <sddl.h>

#include <memory>
#include <vector>

namespace {

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
    const std::wstring sid = CurrentUserSid();
    return sid.empty() ? std::wstring() : MutexName(global, sid);
}

InstanceClaim SingleInstance::Take() {
    const std::wstring sid = CurrentUserSid();
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
