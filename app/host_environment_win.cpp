#include <vector>

#include "app/host_environment.h"
#include "core/unicode.h"

namespace {

// A buffer-filling call asked again with the size it reports; "" when it
// fails.
template <typename Call>
std::wstring Filled(Call call) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return std::wstring();
}

std::wstring LongForm(const std::wstring& path) {
    return Filled([&](wchar_t* out, DWORD size) { return GetLongPathNameW(path.c_str(), out, size); });
}

}  // namespace

void HostEnvironment::SetRdpControl(bool available, const std::string& className) {
    CriticalSection::Lock lock(section_);
    control_.available = available;
    control_.className = className;
}

ControlAvailability HostEnvironment::RdpControl() const {
    CriticalSection::Lock lock(section_);
    return control_;
}

std::string HostEnvironment::FullPath(const std::string& path) const {
    const std::wstring wide = ToWide(path);
    if (wide.empty()) return path;
    const std::wstring full =
        Filled([&](wchar_t* out, DWORD size) { return GetFullPathNameW(wide.c_str(), size, out, nullptr); });
    if (full.empty()) return path;
    // The file itself usually does not exist yet; its folder does.
    std::wstring resolved = LongForm(full);
    if (resolved.empty()) {
        const std::size_t slash = full.find_last_of(L"\\/");
        const std::wstring folder =
            slash == std::wstring::npos ? std::wstring() : LongForm(full.substr(0, slash));
        resolved = folder.empty() ? full : folder + full.substr(slash);
    }
    return ToUtf8(resolved);
}

// GetDriveTypeW answers DRIVE_REMOTE for a mapped share
// (https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-getdrivetypew);
// its root needs the trailing backslash.
bool HostEnvironment::OnNetworkDrive(const std::string& fullPath) const {
    const std::size_t at = fullPath.rfind("\\\\?\\", 0) == 0 ? 4 : 0;  // the long form "\\?\X:\"
    if (fullPath.size() < at + 2 || fullPath[at + 1] != ':') return false;
    const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(fullPath[at])), L':', L'\\',
                            L'\0'};
    return GetDriveTypeW(root) == DRIVE_REMOTE;
}
