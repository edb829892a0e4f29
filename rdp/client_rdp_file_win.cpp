#include <windows.h>

#include "rdp/client_rdp_file.h"
// sddl.h needs the types of windows.h first.
#include <sddl.h>

#include "core/error_text.h"
#include "core/log.h"
#include "core/random.h"
#include "core/unicode.h"
#include "core/user_sid.h"
#include "core/win_handle.h"

namespace {

constexpr int kNameAttempts = 4;

// A protected DACL with one entry: this user, full access; nobody else,
// not even through the temporary folder's inherited entries
// (learn.microsoft.com/windows/win32/secauthz/security-descriptor-string-format).
class UserOnlyDescriptor {
public:
    UserOnlyDescriptor() {
        const std::wstring sid = CurrentUserSid();
        if (sid.empty()) return;
        const std::wstring sddl = L"D:P(A;;FA;;;" + sid + L")";
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_,
                                                             nullptr);
    }
    ~UserOnlyDescriptor() {
        if (descriptor_ != nullptr) LocalFree(descriptor_);
    }
    UserOnlyDescriptor(const UserOnlyDescriptor&) = delete;
    UserOnlyDescriptor& operator=(const UserOnlyDescriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

std::wstring TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

bool ClientRdpFile::Write(const std::string& bytes) {
    Delete();
    const std::wstring folder = TemporaryFolder();
    const UserOnlyDescriptor descriptor;
    if (folder.empty() || descriptor.get() == nullptr) {
        Log(kLogError, "无法为远程桌面客户端准备临时文件：" + ErrorText(0));
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring path = folder + L"tavolin-" + ToWide(RandomHex(8)) + L".rdp";
        // CREATE_NEW: a file someone placed under that name is never used.
        UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!file.valid()) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            break;
        }
        path_ = path;
        const bool written = WriteAll(file.get(), bytes);
        file.reset();
        if (written) return true;
        Delete();
        break;
    }
    Log(kLogError, "无法写入远程桌面客户端的临时文件：" + ErrorText(0));
    return false;
}

void ClientRdpFile::Delete() {
    if (path_.empty()) return;
    if (!DeleteFileW(path_.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        Log(kLogWarn, "删除临时文件 " + ToUtf8(path_) + " 失败：" + ErrorText(0));
    path_.clear();
}
